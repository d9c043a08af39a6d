// The flash worker's job on an answering drive and its checks (see job_harness.h).
#include "job_harness.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "scsi/scsi_layer.h"
#include "update/drive_table.h"
#include "update/firmware_image.h"

namespace fuzz {
namespace {

constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpWriteFirmwareBlock = 0xFA;
constexpr std::size_t kInquiryLength = 32;
constexpr std::size_t kNameOffset = 8;

// Pass-through transfers straight into the caller's buffer, whatever the status; the ASPI back end
// copies its own request's buffer out only for a command that succeeded.
bool Delivered(scsi::BackEnd backEnd, const Answer& answer) {
  if (backEnd == scsi::BackEnd::Aspi) return AnsweredGood(backEnd, answer);
  return answer.kind == AnswerKind::Good || answer.kind == AnswerKind::CheckCondition;
}

bool IsUnitAttentionReset(const std::vector<uint8_t>& sense) {
  return sense.size() > 12 && sense[2] == 0x06 && sense[12] == 0x29;
}

// The INQUIRY bytes as they landed in the worker's zeroed buffer.
std::vector<uint8_t> InquiryBytes(scsi::BackEnd backEnd, const Received& inquiry) {
  std::vector<uint8_t> bytes(kInquiryLength, 0);
  if (Delivered(backEnd, inquiry.answer)) {
    std::copy_n(inquiry.answer.data.begin(), std::min(inquiry.answer.data.size(), kInquiryLength), bytes.begin());
  }
  return bytes;
}

// The drive name: vendor and product up to the first NUL, without leading and trailing blanks,
// control characters and DEL; bytes above DEL stay.
std::string Trimmed(const std::vector<uint8_t>& inquiry) {
  const auto* text = reinterpret_cast<const char*>(inquiry.data() + kNameOffset);
  const std::size_t limit = inquiry.size() - kNameOffset;
  std::size_t end = static_cast<std::size_t>(std::find(text, text + limit, '\0') - text);
  auto trim = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
  };
  std::size_t begin = 0;
  while (begin < end && trim(text[begin])) ++begin;
  while (end > begin && trim(text[end - 1])) --end;
  return std::string(text + begin, end - begin);
}

bool Accepted(const std::vector<uint8_t>& inquiry) {
  const auto* vendor = inquiry.data() + 8;
  const auto* product = inquiry.data() + 16;
  return std::memcmp(vendor, "TEVOR", 5) == 0 &&
         (std::memcmp(product, "HTL6190", 7) == 0 || std::memcmp(product, "DVD RW KMR5133", 14) == 0);
}

}  // namespace

JobRun RunJob(scsi::BackEnd backEnd, AnswerSource answers, bool checksumWanted) {
  AnsweringPlatform machine(backEnd, 1, std::move(answers));
  JobRun run;
  run.backEnd = backEnd;
  {
    scsi::ScsiLayer layer(machine.Platform());
    Require(layer.DeviceCount() == 1, "the layer did not find the drive");
    update::DriveTable table;
    update::AspiExec worker(layer, machine, table);
    worker.SetDeviceIndex(0);
    Require(worker.StartJob(0, checksumWanted), "the worker refused its first job");
    worker.WaitJobEnd();
    run.outcome = worker.Outcome();
    run.name = table.Name(0);
    run.wrong = table.Wrong(0);
    machine.ProgramEnds();
  }
  run.openHandlesAfter = machine.OpenDeviceHandles();
  run.record = machine.Record();
  return run;
}

void CheckJob(const JobRun& run) {
  Require(run.outcome == update::kFlashDone || run.outcome == update::kFlashFailed ||
              run.outcome == update::kFlashWrongDrive,
          "the job ended without one of its three outcomes");
  Require(run.openHandlesAfter == 0, "the job left its device open");
  Require((run.wrong == 1) == (run.outcome == update::kFlashWrongDrive), "the wrong-drive flag and outcome differ");
  Require(!run.record.empty() && run.record[0].cdb[0] == kOpInquiry, "the job did not start with INQUIRY");

  // A drive that gave no INQUIRY answer is failed, not judged: no name, no further command.
  if (!AnsweredGood(run.backEnd, run.record[0].answer)) {
    Require(run.outcome == update::kFlashFailed, "a drive that did not answer INQUIRY is not failed");
    Require(run.name.empty(), "a drive that did not answer INQUIRY has a name");
    Require(run.record.size() == 1, "a drive that did not answer INQUIRY got more commands");
    return;
  }
  const std::vector<uint8_t> inquiry = InquiryBytes(run.backEnd, run.record[0]);
  Require(run.name == Trimmed(inquiry), "the drive name is not INQUIRY's vendor and product text, trimmed");
  Require(run.name.size() <= 24, "the drive name is longer than vendor and product");
  const bool accepted = Accepted(inquiry);
  Require(accepted == (run.outcome != update::kFlashWrongDrive), "the model gate judged the drive wrongly");
  if (!accepted) Require(run.record.size() == 1, "a wrong drive got more than INQUIRY");

  // The block writes: in order from 0, each carrying its image block, none after a refused one.
  const update::FirmwareImage& image = update::kEmbeddedImage;
  int32_t next = 0;
  bool refused = false;
  bool freshReset = false;  // the last block answered by the drive's restart
  for (const Received& received : run.record) {
    const bool failed = !AnsweredGood(run.backEnd, received.answer);
    if (received.cdb[0] == kOpWriteFirmwareBlock) {
      Require(!refused, "a block write after a refused one");
      Require(received.cdb[5] == next && received.length == update::kBlockSize &&
                  received.dataOut.size() == static_cast<std::size_t>(update::kBlockSize) &&
                  std::memcmp(received.dataOut.data(), update::ImageBlock(image, next), update::kBlockSize) == 0,
              "a block write out of order or not carrying its image block");
      ++next;
      if (failed) {
        refused = true;
        freshReset = next == image.blockCount && IsUnitAttentionReset(received.senseWritten);
      }
    }
  }
  if (run.outcome == update::kFlashDone) {
    const bool allAccepted = !refused && next == image.blockCount;
    Require(allAccepted || (refused && freshReset),
            "called updated, but the drive did not accept every block nor report its restart");
  }
}

}  // namespace fuzz
