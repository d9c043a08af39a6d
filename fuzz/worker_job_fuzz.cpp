// Fuzz target: a drive that answers a flash worker's job with any bytes (status, sense, data, a
// request that never completes, an abort refused), on either back end. Byte 0: bit 0 the ASPI
// back end, bit 1 the checksum read-back wanted; then one answer per command (answering_platform.h).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "answering_platform.h"
#include "job_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  auto bytes = std::make_shared<fuzz::ByteReader>(data, size);
  const uint8_t setup = bytes->Byte();
  const scsi::BackEnd backEnd = (setup & 1) != 0 ? scsi::BackEnd::Aspi : scsi::BackEnd::PassThrough;
  const bool checksumWanted = (setup & 2) != 0;
  const fuzz::JobRun run = fuzz::RunJob(
      backEnd, [bytes](int, const scsi::Cdb&, uint32_t) { return fuzz::DecodeAnswer(*bytes); }, checksumWanted);
  fuzz::CheckJob(run);
  return 0;
}
