// fixture_window.exe: a small stand-in window for checking the end-to-end equipment (the probe, the
// scenario runner and WNASPI32.DLL) without the product. Over the real SCSI access layer it lists
// one ticked row per drive with its INQUIRY text; "&Write" sends a two-block test image to every
// ticked drive and reports in a message box; "E&XIT" ends the process with exit code 1.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "emu/checksums.h"
#include "platform/win32/windows_os.h"
#include "scsi/commands.h"
#include "scsi/scsi_layer.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/std_controls.h"
#include "ui/win32/win32_backend.h"

namespace {

using namespace ui;

constexpr int kRows = 10;
constexpr int kBlocks = 2;

scsi::ScsiLayer& Layer() {
  static scsi::ScsiLayer layer(platform::win32::WindowsOs().Scsi());
  return layer;
}

std::string RowCaption(int device) {
  scsi::DeviceRef ref = scsi::kClosedRef;
  Layer().OpenRef(ref, device);
  uint8_t data[64] = {};
  const bool ok = scsi::Inquiry(Layer(), ref, data, 36) != 0;
  Layer().CloseRef(ref);
  if (!ok) return "NG";
  data[36] = 0;
  return reinterpret_cast<const char*>(&data[8]);
}

// Deterministic blocks and the two check words that make them verify.
struct TestImage {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kBlocks * scsi::kFirmwareBlockSize);
  uint16_t a = 0;
  uint16_t b = 0;
  TestImage() {
    uint32_t state = 12345;
    for (uint8_t& byte : bytes) {
      state = state * 1103515245u + 12345u;
      byte = static_cast<uint8_t>(state >> 16);
    }
    a = emu::ByteSum16(bytes);
    b = emu::BsdSum16(bytes);
  }
};

class FixtureForm : public TForm {
 public:
  explicit FixtureForm(TComponent* owner) : TForm(owner) {
    SetCaption("E2E Fixture");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetBounds(20, 20, Width(), Height());
    SetClientWidth(370);
    SetClientHeight(175);

    panel_ = Make<TPanel>(this);
    panel_->SetBounds(0, 105, 370, 70);
    panel_->SetAlign(alBottom);
    panel_->SetCaption("");
    status_ = Make<TStatusBar>(panel_);
    status_->SetHeight(20);
    status_->Panels().Add().SetWidth(250);
    status_->Panels()[0].SetText("Progress");
    status_->Panels().Add().SetWidth(100);
    status_->Panels()[1].SetText("Percent");
    progress_ = Make<TProgressBar>(panel_);
    progress_->SetBounds(0, 49, 251, 21);
    write_ = Make<TButton>(panel_);
    write_->SetBounds(78, 10, 92, 31);
    write_->SetCaption("&Write");
    write_->OnClick = [this](TObject*) { WriteAll(); };
    exit_ = Make<TButton>(panel_);
    exit_->SetBounds(214, 10, 92, 31);
    exit_->SetCaption("E&XIT");
    exit_->OnClick = [](TObject*) { std::exit(1); };
    hidden_ = Make<TButton>(panel_);
    hidden_->SetBounds(414, 98, 92, 31);
    hidden_->SetCaption("Get CS");
    hidden_->Hide();

    const int count = std::min(Layer().DeviceCount(), kRows);
    for (int i = 0; i < kRows; ++i) {
      TCheckBox* row = Make<TCheckBox>(this);
      row->SetBounds(10, 20 + 20 * i, 310, 21);
      row->SetCaption(i < count ? RowCaption(i) : std::to_string(i));
      row->SetChecked(i < count);
      row->SetVisible(i < count);
      rows_.push_back(row);
    }
  }

 private:
  template <class T>
  T* Make(TWinControl* parent) {
    T* control = new T(this);
    control->SetParent(parent);
    return control;
  }

  void WriteAll() {
    const TestImage image;
    int written = 0;
    int ticked = 0;
    for (int i = 0; i < kRows; ++i) {
      if (!rows_[i]->Checked()) continue;
      ++ticked;
      scsi::DeviceRef ref = scsi::kClosedRef;
      Layer().OpenRef(ref, i);
      int last = 0;
      for (int k = 0; k < kBlocks; ++k) {
        last = scsi::WriteFirmwareBlock(Layer(), ref, image.bytes.data() + k * scsi::kFirmwareBlockSize, image.a,
                                        image.b, k, kBlocks, 1);
      }
      // A drive that took the image answers the last block with its restart (06/29/00).
      if (last != 0 || Layer().GetSenseCode(ref) == 0x062900) ++written;
      Layer().CloseRef(ref);
    }
    progress_->SetPosition(100);
    status_->Panels()[1].SetText("Complete: 100%");
    ShowMessage("Fixture wrote " + std::to_string(written) + " of " + std::to_string(ticked));
  }

  TPanel* panel_;
  TStatusBar* status_;
  TProgressBar* progress_;
  TButton* write_;
  TButton* exit_;
  TButton* hidden_;
  std::vector<TCheckBox*> rows_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Layer();  // as the product does: the drives are found before the window exists
  Win32Backend backend;
  TApplication app(backend);
  FixtureForm* form = nullptr;
  app.CreateForm(form);
  app.Run();
  return 0;
}
