// The main window as its form resource lays it out: positions and sizes in design pixels at 120
// pixels per inch, fonts, resource captions and which controls start hidden.
#include "app/form1.h"

#include "ui/colors.h"

namespace app {
namespace {

constexpr char kFontName[] = "MS Sans Serif";

struct Place {
  int left, top, width, height;
};

template <class T>
T* MakeControl(ui::TComponent* owner, ui::TWinControl* parent, Place at, const char* caption, bool visible) {
  T* control = new T(owner);
  control->SetParent(parent);
  control->SetBounds(at.left, at.top, at.width, at.height);
  control->SetCaption(caption);
  control->SetVisible(visible);
  return control;
}

// A font of its own: "MS Sans Serif" with a character height in pixels.
void OwnFont(ui::TControl* control, int height, bool bold) {
  control->Font().SetName(kFontName);
  control->Font().SetHeight(height);
  control->Font().SetStyle(bold ? ui::TFontStyles{ui::fsBold} : ui::TFontStyles{});
}

}  // namespace

TForm1::TForm1(ui::TComponent* owner) : ui::TForm(owner) {
  runRowDevices_.fill(-1);  // no run yet: no row stands for a device
  BuildLayout();
}

void TForm1::BuildLayout() {
  SetLeft(343);
  SetTop(183);
  SetClientWidth(394);
  SetClientHeight(175);
  SetBorderStyle(ui::bsSingle);
  SetBorderIcons(ui::biSystemMenu | ui::biMinimize);
  SetColor(ui::clBtnFace);
  Font().SetName(kFontName);
  Font().SetHeight(-14);
  Font().SetStyle(ui::TFontStyles{});
  SetCaption("Form1");

  OpenDialogLoad = new ui::TOpenDialog(this);
  OpenDialogLoad->SetFilter("Firmeare P(*.CVT)|*.CVT");

  Panel1 = MakeControl<ui::TPanel>(this, this, {0, 105, 394, 70}, "Panel1", true);
  Panel1->SetAlign(ui::alBottom);

  ButtonLoad = MakeControl<ui::TButton>(this, Panel1, {30, 98, 92, 31}, "ButtonLoad", false);
  OwnFont(ButtonLoad, -17, true);
  Label1 = MakeControl<ui::TLabel>(this, Panel1, {10, 20, 66, 25}, "Label1", false);
  OwnFont(Label1, -20, true);
  Edit1 = MakeControl<ui::TEdit>(this, Panel1, {98, 20, 493, 28}, "Edit1", false);
  OwnFont(Edit1, -17, false);
  EditCS = MakeControl<ui::TEdit>(this, Panel1, {98, 59, 149, 33}, "EditCS", false);
  OwnFont(EditCS, -20, true);
  ButtonFlash = MakeControl<ui::TButton>(this, Panel1, {78, 10, 92, 31}, "ButtonFlash", true);
  OwnFont(ButtonFlash, -17, true);

  TimerPB = new ui::TTimer(this);
  TimerPB->SetEnabled(false);
  TimerPB->SetInterval(900);

  Button1 = MakeControl<ui::TButton>(this, Panel1, {354, 59, 93, 31}, "Button1", true);
  CheckBoxEject = MakeControl<ui::TCheckBox>(this, Panel1, {512, 59, 247, 21}, "CheckBoxEject", true);
  OwnFont(CheckBoxEject, -17, false);
  CheckBoxEject->SetChecked(true);
  CheckBoxForcedFlash =
      MakeControl<ui::TCheckBox>(this, Panel1, {512, 89, 238, 21}, "CheckBoxForcedFlash", false);
  OwnFont(CheckBoxForcedFlash, -17, false);
  CheckBoxReset = MakeControl<ui::TCheckBox>(this, Panel1, {512, 118, 119, 21}, "CheckBoxReset", true);
  CheckBoxReset->SetChecked(true);
  ButExit = MakeControl<ui::TButton>(this, Panel1, {214, 10, 92, 31}, "ButExit", true);
  OwnFont(ButExit, -17, true);

  StatusBar = MakeControl<ui::TStatusBar>(this, Panel1, {1, 49, 392, 20}, "", true);
  StatusBar->SetSimplePanel(false);
  StatusBar->Panels().Add().SetWidth(250);
  StatusBar->Panels()[0].SetText("Progress");
  StatusBar->Panels().Add().SetWidth(100);
  StatusBar->Panels()[1].SetText("Percent");

  ButCS = MakeControl<ui::TButton>(this, Panel1, {414, 98, 92, 31}, "ButCS", false);
  OwnFont(ButCS, -17, true);
  LabelCS = MakeControl<ui::TLabel>(this, Panel1, {10, 59, 85, 25}, "LabelCS", false);
  OwnFont(LabelCS, -20, true);
  ButAD = MakeControl<ui::TButton>(this, Panel1, {534, 98, 92, 31}, "ButAD", false);
  OwnFont(ButAD, -17, true);
  ProgressBar = MakeControl<ui::TProgressBar>(this, Panel1, {0, 48, 250, 21}, "", true);
  ProgressBar->SetRange(0, 100);

  ButtonLoad->OnClick = [this](ui::TObject* s) { ButtonLoadClick(s); };
  ButtonFlash->OnClick = [this](ui::TObject* s) { ButtonFlashClick(s); };
  TimerPB->OnTimer = [this](ui::TObject* s) { TimerPBTimer(s); };
  Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
  ButExit->OnClick = [this](ui::TObject* s) { ButExitClick(s); };
  ButCS->OnClick = [this](ui::TObject* s) { ButCSClick(s); };
  ButAD->OnClick = [this](ui::TObject* s) { ButADClick(s); };
  OnCreate = [this](ui::TObject* s) { FormCreate(s); };
  OnCloseQuery = [this](ui::TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  OnQueryEndSession = [this](ui::TObject* s, bool& canEnd) { FormQueryEndSession(s, canEnd); };
  OnPowerBroadcast = [this](ui::TObject* s, uint32_t event, bool& deny) { FormPowerBroadcast(s, event, deny); };
  OnQueryCancelAutoPlay = [this](ui::TObject* s, bool& cancel) { FormQueryCancelAutoPlay(s, cancel); };
  OnShortCut = [this](unsigned key, ui::TShiftState shift, bool& handled) {
    if (key != kServiceKey || shift != kServiceShift) return;
    ShowServiceControls();
    handled = true;
  };
}

}  // namespace app
