// Form size arithmetic, border settings and closing.
#include "ui/form.h"

#include "ui/application.h"

namespace ui {

TForm::TForm(TComponent* owner) : TWinControl(owner, ControlKind::Form) {
  SetVisible(false);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-13);
  SetBounds(0, 0, 400, 300);
  CreateWidgetTree();
}

TForm::~TForm() {
  if (Application != nullptr) Application->FormDestroyed(this);
}

FrameSize TForm::Frame() const {
  if (GetBackend() == nullptr) return {};
  return GetBackend()->FormFrame(*this);
}

int TForm::ClientWidth() const { return Width() - Frame().width; }
int TForm::ClientHeight() const { return Height() - Frame().height; }
void TForm::SetClientWidth(int width) { SetWidth(width + Frame().width); }
void TForm::SetClientHeight(int height) { SetHeight(height + Frame().height); }

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  // The client area keeps its size; the outer size follows the new borders.
  const int clientWidth = ClientWidth();
  const int clientHeight = ClientHeight();
  borderStyle_ = style;
  Changed(Change::BorderStyle);
  SetBounds(Left(), Top(), clientWidth + Frame().width, clientHeight + Frame().height);
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  icons &= biSystemMenu | biMinimize | biMaximize;
  if (icons == borderIcons_) return;
  const int clientWidth = ClientWidth();
  const int clientHeight = ClientHeight();
  borderIcons_ = icons;
  Changed(Change::BorderStyle);
  SetBounds(Left(), Top(), clientWidth + Frame().width, clientHeight + Frame().height);
}

bool TForm::IsShortCut(unsigned virtualKey, TShiftState shift) {
  bool handled = false;
  if (OnShortCut) {
    TShortCutEvent handler = OnShortCut;
    handler(virtualKey, shift, handled);
  }
  return handled;
}

bool TForm::QueryEndSession() {
  if (!OnQueryEndSession) return CloseQuery();
  bool canEnd = true;
  TCloseQueryEvent handler = OnQueryEndSession;
  handler(this, canEnd);
  return canEnd;
}

bool TForm::PowerBroadcast(uint32_t event) {
  bool deny = false;
  if (OnPowerBroadcast) {
    auto handler = OnPowerBroadcast;
    handler(this, event, deny);
  }
  return deny;
}

bool TForm::QueryCancelAutoPlay() {
  bool cancel = false;
  if (OnQueryCancelAutoPlay) {
    TCloseQueryEvent handler = OnQueryCancelAutoPlay;
    handler(this, cancel);
  }
  return cancel;
}

void TForm::SetShutdownBlockReason(const std::string& reason) {
  if (GetBackend() != nullptr) GetBackend()->SetShutdownBlockReason(*this, reason);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) {
    TCloseQueryEvent handler = OnCloseQuery;
    handler(this, canClose);
  }
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  if (OnClose) {
    TNotifyEvent handler = OnClose;
    handler(this);
  }
  Hide();
  if (Application != nullptr && Application->MainForm() == this) Application->Terminate();
}

void TForm::DoCreate() {
  if (!OnCreate) return;
  TNotifyEvent handler = OnCreate;
  handler(this);
}

}  // namespace ui
