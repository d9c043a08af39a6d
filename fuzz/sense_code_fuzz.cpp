// Fuzz target: sense data to SenseCode. Two drives answer a series of commands with any status and
// sense; after each command the layer's sense bytes and SenseCode must be the ones that drive's own
// command left (pass-through), or on ASPI the device's own most recent sense. Byte 0: bit 0 the
// ASPI back end; then per command a byte (bit 0 the device, bit 1 INQUIRY instead of TEST UNIT
// READY) and the drive's answer (answering_platform.h).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "answering_platform.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"

namespace {

constexpr int kDrives = 2;
constexpr int kMaxCommands = 64;

scsi::SenseCode Pack(const uint8_t* sense) {
  return static_cast<scsi::SenseCode>(sense[2]) << 16 | static_cast<scsi::SenseCode>(sense[12]) << 8 | sense[13];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  auto bytes = std::make_shared<fuzz::ByteReader>(data, size);
  const scsi::BackEnd backEnd = (bytes->Byte() & 1) != 0 ? scsi::BackEnd::Aspi : scsi::BackEnd::PassThrough;
  fuzz::AnsweringPlatform machine(backEnd, kDrives,
                                  [bytes](int, const scsi::Cdb&, uint32_t) { return fuzz::DecodeAnswer(*bytes); });
  scsi::ScsiLayer layer(machine.Platform());
  fuzz::Require(layer.DeviceCount() == kDrives, "the layer did not find both drives");
  fuzz::Require(layer.GetSenseCode(scsi::kClosedRef) == scsi::kNoDeviceSense, "a closed reference has sense");

  scsi::SenseCode held[kDrives] = {};  // what each device's sense reads as now
  for (int step = 0; step < kMaxCommands && !bytes->Empty(); ++step) {
    const uint8_t op = bytes->Byte();
    const int device = op & 1;
    scsi::DeviceRef ref = scsi::kClosedRef;
    layer.OpenRef(ref, device);
    const std::size_t before = machine.Record().size();
    uint8_t inquiry[64] = {};
    const int ok = (op & 2) != 0 ? scsi::Inquiry(layer, ref, inquiry, 36) : scsi::TestUnitReady(layer, ref);
    // Every command reaches its drive, even after a request the manager kept: the layer leaves
    // such a request to the manager and sends the next command in a fresh one.
    fuzz::Require(machine.Record().size() == before + 1, "a command did not reach the drives exactly once");
    uint8_t sense[16] = {};
    fuzz::Require(layer.GetSense(ref, sense) == 1, "GetSense failed on an open device");
    const scsi::SenseCode code = layer.GetSenseCode(ref);
    fuzz::Require(code == Pack(sense), "SenseCode is not sense bytes 2, 12 and 13");
    const fuzz::Received& received = machine.Record().back();
    fuzz::Require(received.device == device, "the command reached another drive");
    fuzz::Require((ok == 1) == fuzz::AnsweredGood(backEnd, received.answer), "the command's result is not the drive's");

    if (!received.senseWritten.empty()) {
      fuzz::Require(code == Pack(received.senseWritten.data()), "SenseCode is not the drive's fresh sense");
    } else if (backEnd == scsi::BackEnd::PassThrough) {
      fuzz::Require(code == 0, "pass-through sense left from an earlier command");
    } else if (ok == 1) {
      fuzz::Require(code == held[device], "ASPI sense is not the device's own most recent sense");
    } else {
      fuzz::Require(code == 0, "a failure without sense reads as an older command's sense");
    }
    held[device] = code;
    layer.CloseRef(ref);
    fuzz::Require(layer.GetSenseCode(ref) == scsi::kNoDeviceSense, "a closed reference has sense");
  }
  machine.ProgramEnds();
  return 0;
}
