// The drive list: the start-up scan that gives every device a ticked row, and the refresh of one
// row's caption from the device that DriveOrder maps it to.
#include <cstring>
#include <string>

#include "app/form1.h"
#include "app/main_unit.h"
#include "scsi/commands.h"
#include "scsi/inquiry.h"

namespace app {
namespace {

constexpr uint8_t kInquiryLength = 36;
constexpr std::size_t kInquiryBuffer = 64;
constexpr std::size_t kIdentificationOffset = scsi::kInquiryVendorOffset;  // vendor, product and revision: to byte 35

// The identification text as the drive returns it, blanks kept, up to the first zero byte; "NG"
// for a drive that does not answer.
std::string InquiryCaption(scsi::ScsiLayer& layer, scsi::DeviceRef& ref, int32_t device) {
  layer.OpenRef(ref, device);
  uint8_t data[kInquiryBuffer] = {};
  std::string caption = "NG";
  if (scsi::Inquiry(layer, ref, data, kInquiryLength) == 1) {
    data[kInquiryLength] = 0;
    const char* text = reinterpret_cast<const char*>(data + kIdentificationOffset);
    caption.assign(text, strnlen(text, kInquiryLength - kIdentificationOffset));
  }
  layer.CloseRef(ref);
  return caption;
}

}  // namespace

void TForm1::StartupScan() {
  MainUnit& unit = MainUnit::Current();
  driveCount = 0;
  const int devices = unit.machine.scsi.DeviceCount();
  // The list has ten rows; devices beyond the tenth get neither a row nor a worker.
  for (int32_t device = 0; device < devices && driveCount < kRows; ++device) {
    ui::TCheckBox* row = rows[driveCount];
    row->SetCaption(InquiryCaption(unit.machine.scsi, unit.windowRef, device));
    row->SetVisible(true);
    row->SetChecked(true);
    ++driveCount;
  }
}

void TForm1::RefreshRowCaption(int row) {
  MainUnit& unit = MainUnit::Current();
  rows[row]->SetCaption(InquiryCaption(unit.machine.scsi, unit.windowRef, DriveOrder[row]));
}

}  // namespace app
