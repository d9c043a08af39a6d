// The 98 SE personality's shim DLLs under Wine, loaded by name as the renamed program loads them:
// each call on the list answers as 98 SE does, the ones it lets through still work, ExitWindowsEx
// is recorded and not carried out, and every other import of the list is forwarded to Wine's DLL.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Shim {
  const char* name;
  const char* real;
  std::set<std::string> own;  // the exports the shim answers itself; the rest are forwarders
};

const std::vector<Shim>& Shims() {
  static const std::vector<Shim> shims = {
      {"KERNEL98.dll", "KERNEL32.dll",
       {"CreateSemaphoreW", "CreateThread", "GetModuleHandleW", "GetPrivateProfileIntA", "GetVersionExA", "LoadLibraryW",
        "ReadFile", "WriteFile"}},
      {"ADVAPI98.dll", "ADVAPI32.dll", {"AdjustTokenPrivileges", "LookupPrivilegeValueA", "OpenProcessToken"}},
      {"USER98.dll", "USER32.dll", {"ExitWindowsEx"}},
      {"msvc98.dll", "msvcrt.dll", {"_beginthreadex"}},
  };
  return shims;
}

template <typename F>
F Get(const char* dll, const char* name) {
  HMODULE module = LoadLibraryA(dll);
  EXPECT_NE(module, nullptr) << dll << " did not load";
  FARPROC p = module == nullptr ? nullptr : GetProcAddress(module, name);
  EXPECT_NE(p, nullptr) << dll << " does not export " << name;
  return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + name;
}

// Points the shims' record at a fresh file and reads it back.
class Record {
 public:
  Record() : path_(TempPath("shim98_test_record.log")) {
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("FLASH_98SE_LOG", path_.c_str());
  }
  ~Record() {
    SetEnvironmentVariableA("FLASH_98SE_LOG", nullptr);
    DeleteFileA(path_.c_str());
  }
  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::string path_;
};

DWORD WINAPI CountUp(LPVOID p) {
  InterlockedIncrement(static_cast<LONG*>(p));
  return 0;
}
unsigned __stdcall CountUpCrt(void* p) {
  InterlockedIncrement(static_cast<LONG*>(p));
  return 0;
}

TEST(Shim98, AThreadStartsOnlyWithAThreadIdPointer) {
  using CreateThreadFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
  using BeginThreadFn = uintptr_t(__cdecl*)(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*);
  auto createThread = Get<CreateThreadFn>("KERNEL98.dll", "CreateThread");
  auto beginThread = Get<BeginThreadFn>("msvc98.dll", "_beginthreadex");
  ASSERT_TRUE(createThread && beginThread);
  Record record;
  LONG ran = 0;

  SetLastError(0);
  EXPECT_EQ(createThread(nullptr, 0, &CountUp, &ran, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  errno = 0;
  EXPECT_EQ(beginThread(nullptr, 0, &CountUpCrt, &ran, 0, nullptr), 0u);
  EXPECT_EQ(errno, EINVAL);

  DWORD id = 0;
  HANDLE t = createThread(nullptr, 0, &CountUp, &ran, 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
  CloseHandle(t);
  unsigned crtId = 0;
  const uintptr_t u = beginThread(nullptr, 0, &CountUpCrt, &ran, 0, &crtId);
  ASSERT_NE(u, 0u);
  EXPECT_NE(crtId, 0u);
  EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(u), 10000), WAIT_OBJECT_0);
  CloseHandle(reinterpret_cast<HANDLE>(u));
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(record.Text(),
            "CreateThread thread-id NULL -> NULL, error 87\r\n"
            "_beginthreadex thread-id NULL -> 0, errno EINVAL, error 87\r\n");
}

TEST(Shim98, TheTokenCallsAndTheUnicodeStubsFailWithCallNotImplemented) {
  Record record;
  HANDLE token = reinterpret_cast<HANDLE>(0x1234);
  LUID luid{7, 7};
  TOKEN_PRIVILEGES privileges{};
  SetLastError(0);
  const bool opened = Get<BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE)>("ADVAPI98.dll", "OpenProcessToken")(
                          GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token) != FALSE;
  const DWORD openError = GetLastError();
  SetLastError(0);
  const bool looked = Get<BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID)>("ADVAPI98.dll", "LookupPrivilegeValueA")(
                          nullptr, "SeShutdownPrivilege", &luid) != FALSE;
  const DWORD lookError = GetLastError();
  SetLastError(0);
  const bool adjusted =
      Get<BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD)>(
          "ADVAPI98.dll", "AdjustTokenPrivileges")(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
  const DWORD adjustError = GetLastError();
  EXPECT_FALSE(opened);
  EXPECT_FALSE(looked);
  EXPECT_FALSE(adjusted);
  EXPECT_EQ(openError, static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(lookError, static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(adjustError, static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(token, reinterpret_cast<HANDLE>(0x1234)) << "out-parameters untouched";
  EXPECT_EQ(luid.LowPart, 7u);

  SetLastError(0);
  EXPECT_EQ(Get<HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR)>("KERNEL98.dll", "CreateSemaphoreW")(
                nullptr, 0, 1, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  SetLastError(0);
  EXPECT_EQ(Get<HMODULE(WINAPI*)(LPCWSTR)>("KERNEL98.dll", "GetModuleHandleW")(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  SetLastError(0);
  EXPECT_EQ(Get<HMODULE(WINAPI*)(LPCWSTR)>("KERNEL98.dll", "LoadLibraryW")(L"KERNEL32.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(record.Text(),
            "OpenProcessToken -> FALSE, error 120\r\n"
            "LookupPrivilegeValueA -> FALSE, error 120\r\n"
            "AdjustTokenPrivileges -> FALSE, error 120\r\n"
            "CreateSemaphoreW -> NULL, error 120\r\n"
            "GetModuleHandleW -> NULL, error 120\r\n"
            "LoadLibraryW -> NULL, error 120\r\n");
}

// The 9x column of Wine's own table of GetPrivateProfileIntA results (kernel32 profile tests).
TEST(Shim98, GetPrivateProfileIntAReadsAs9xDoes) {
  using Fn = UINT(WINAPI*)(LPCSTR, LPCSTR, INT, LPCSTR);
  auto read = Get<Fn>("KERNEL98.dll", "GetPrivateProfileIntA");
  ASSERT_NE(read, nullptr);
  const std::string file = TempPath("shim98_test.ini");
  struct Case {
    const char* value;  // nullptr: the key is absent
    INT defaultValue;
    UINT result;
  };
  const Case cases[] = {
      {nullptr, -1, 4294967295u}, {nullptr, 1, 1},          {"-1", 1, 4294967295u},    {"1", -1, 1},
      {"+1", -1, 0},              {"+1", 1, 0},             {"4294967296", 1, 0},      {"4294967297", -1, 1},
      {"-4294967297", 1, 4294967295u}, {"42A94967297", 1, 42}, {"B4294967297", 1, 0}, {" 12 ", 5, 12},
  };
  for (const Case& c : cases) {
    DeleteFileA(file.c_str());
    if (c.value != nullptr) WritePrivateProfileStringA("Test", "ProfileInt", c.value, file.c_str());
    EXPECT_EQ(read("Test", "ProfileInt", c.defaultValue, file.c_str()), c.result)
        << (c.value ? c.value : "(absent)") << " default " << c.defaultValue;
  }
  WritePrivateProfileStringA("Test", "ProfileInt", "1", file.c_str());
  EXPECT_EQ(read(nullptr, "ProfileInt", 5, file.c_str()), 0u) << "no section";
  EXPECT_EQ(read("Test", nullptr, 5, file.c_str()), 0u) << "no key";
  DeleteFileA(file.c_str());
}

TEST(Shim98, GetVersionExASaysWindows98SecondEdition) {
  auto getVersion = Get<BOOL(WINAPI*)(LPOSVERSIONINFOA)>("KERNEL98.dll", "GetVersionExA");
  ASSERT_NE(getVersion, nullptr);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(getVersion(&info));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwMinorVersion, 10u);
  EXPECT_EQ(info.dwBuildNumber & 0xFFFF, 2222u);
  EXPECT_STREQ(info.szCSDVersion, " A ");
  OSVERSIONINFOEXA ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  EXPECT_FALSE(getVersion(reinterpret_cast<LPOSVERSIONINFOA>(&ex))) << "98 knows no OSVERSIONINFOEX";
}

TEST(Shim98, ReadAndWriteNeedTheirCountPointer) {
  auto writeFile = Get<BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED)>("KERNEL98.dll", "WriteFile");
  auto readFile = Get<BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)>("KERNEL98.dll", "ReadFile");
  ASSERT_TRUE(writeFile && readFile);
  const std::string path = TempPath("shim98_test.bin");
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  char data[4] = {'a', 'b', 'c', 'd'};
  SetLastError(0);
  EXPECT_FALSE(writeFile(f, data, sizeof data, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetFileSize(f, nullptr), 0u) << "nothing written";
  DWORD n = 0;
  EXPECT_TRUE(writeFile(f, data, sizeof data, &n, nullptr));
  EXPECT_EQ(n, 4u);
  SetFilePointer(f, 0, nullptr, FILE_BEGIN);
  EXPECT_FALSE(readFile(f, data, sizeof data, nullptr, nullptr));
  n = 0;
  EXPECT_TRUE(readFile(f, data, sizeof data, &n, nullptr));
  EXPECT_EQ(n, 4u);
  CloseHandle(f);
  DeleteFileA(path.c_str());
}

TEST(Shim98, ExitWindowsExIsRecordedNotCarriedOut) {
  auto exitWindows = Get<BOOL(WINAPI*)(UINT, DWORD)>("USER98.dll", "ExitWindowsEx");
  ASSERT_NE(exitWindows, nullptr);
  Record record;
  EXPECT_TRUE(exitWindows(EWX_REBOOT, 0));
  EXPECT_TRUE(exitWindows(EWX_SHUTDOWN | EWX_FORCE, 0x80020003));
  EXPECT_EQ(record.Text(),
            "ExitWindowsEx flags=0x00000002 reason=0x00000000 -> TRUE, recorded, not carried out\r\n"
            "ExitWindowsEx flags=0x00000005 reason=0x80020003 -> TRUE, recorded, not carried out\r\n");
}

// Every import the program may have from the four DLLs resolves through its shim: to Wine's own
// function for the forwarded ones, to the shim's for the ones it answers itself.
TEST(Shim98, EveryListedImportResolvesThroughItsShim) {
  std::ifstream list(FLASH_IMPORT_LIST);
  ASSERT_TRUE(list) << "cannot read " << FLASH_IMPORT_LIST;
  std::string line;
  int checked = 0;
  std::set<std::string> ownSeen;
  while (std::getline(list, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string dll, name;
    if (!(fields >> dll >> name)) continue;
    for (const Shim& shim : Shims()) {
      if (lstrcmpiA(dll.c_str(), shim.real) != 0) continue;
      HMODULE real = GetModuleHandleA(shim.real);
      if (real == nullptr) real = LoadLibraryA(shim.real);
      HMODULE mine = LoadLibraryA(shim.name);
      ASSERT_TRUE(real && mine) << shim.name;
      FARPROC viaShim = GetProcAddress(mine, name.c_str());
      FARPROC direct = GetProcAddress(real, name.c_str());
      ASSERT_NE(viaShim, nullptr) << shim.name << " lacks " << name;
      if (shim.own.count(name) != 0) {
        EXPECT_NE(viaShim, direct) << shim.name << " forwards " << name << ", which it should answer itself";
        ownSeen.insert(name);
      } else {
        EXPECT_EQ(viaShim, direct) << shim.name << " does not forward " << name << " to " << shim.real;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 100) << "the list names the program's imports";
  // CreateThread is answered although the program does not import it today.
  EXPECT_EQ(ownSeen.count("GetVersionExA") + ownSeen.count("ExitWindowsEx") + ownSeen.count("_beginthreadex"), 3u);
}

}  // namespace
