// The SG_IO responder as a library preloaded into the Wine process of the program: takes the
// ioctl calls (Wine's 32-bit build on Debian calls __ioctl_time64, others ioctl), answers SG_IO on
// the files behind the configuration's letters and hands everything else to the C library. The
// configuration is the file FLASH_EMU_CONFIG names, read at the first SG_IO request; the responder
// is never destroyed, since worker threads may still be inside it when the process ends.
#include <dlfcn.h>
#include <scsi/sg.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <mutex>

#include "emu/sgio/sg_responder.h"

namespace {

using IoctlFn = int (*)(int, unsigned long, void*);

emu::sgio::SgResponder& Responder() {
  static std::once_flag once;
  static emu::sgio::SgResponder* responder = nullptr;
  std::call_once(once, [] {
    const char* config = std::getenv("FLASH_EMU_CONFIG");
    responder = new emu::sgio::SgResponder(config != nullptr ? emu::sgio::HostPathOf(config) : std::string());
  });
  return *responder;
}

int Dispatch(const char* realName, int fd, unsigned long request, void* argument) {
  if (request == SG_IO && argument != nullptr) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && Responder().Serves(st.st_dev, st.st_ino)) {
      int error = 0;
      const int rc = Responder().Execute(st.st_dev, st.st_ino, *static_cast<sg_io_hdr_t*>(argument), error);
      if (rc != 0) errno = error;
      return rc;
    }
  }
  auto real = reinterpret_cast<IoctlFn>(::dlsym(RTLD_NEXT, realName));
  if (real == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return real(fd, request, argument);
}

void* Argument(va_list& args) { return va_arg(args, void*); }

}  // namespace

extern "C" __attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = Argument(args);
  va_end(args);
  return Dispatch("ioctl", fd, request, argument);
}

extern "C" __attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = Argument(args);
  va_end(args);
  return Dispatch("__ioctl_time64", fd, request, argument);
}
