// Fuzz target: any INQUIRY data to the flash worker's drive name and model gate. Byte 0: bit 0 the
// ASPI back end; the rest is what the drive returns for INQUIRY (its first 32 bytes land in the
// worker's buffer). Every later command fails in transport, so the job ends soon after the gate.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "answering_platform.h"
#include "job_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const scsi::BackEnd backEnd = (data[0] & 1) != 0 ? scsi::BackEnd::Aspi : scsi::BackEnd::PassThrough;
  const std::vector<uint8_t> inquiry(data + 1, data + size);
  const fuzz::JobRun run = fuzz::RunJob(
      backEnd,
      [&inquiry](int, const scsi::Cdb& cdb, uint32_t) {
        fuzz::Answer answer;
        if (cdb[0] == 0x12) {
          answer.data = inquiry;
        } else {
          answer.kind = fuzz::AnswerKind::TransportFailure;
        }
        return answer;
      },
      false);
  fuzz::CheckJob(run);
  return 0;
}
