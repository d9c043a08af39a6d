// Shared fixture of the widget library suites: a headless back end, an application on it, and a
// form laid out like the updater's window (panel at the bottom holding a status bar, a progress
// bar and buttons; a check box directly on the form).
#pragma once

#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless_backend.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace ui_test {

class LayoutForm : public ui::TForm {
 public:
  explicit LayoutForm(ui::TComponent* owner) : ui::TForm(owner) {
    SetBorderStyle(ui::bsSingle);
    SetBorderIcons(ui::biSystemMenu | ui::biMinimize);
    SetBounds(343, 183, Width(), Height());
    SetClientWidth(394);
    SetClientHeight(175);
    Font().SetHeight(-14);

    panel = new ui::TPanel(this);
    panel->SetParent(this);
    panel->SetBounds(0, 105, 394, 70);
    panel->SetAlign(ui::alBottom);

    status = new ui::TStatusBar(this);
    status->SetParent(panel);
    status->SetBounds(1, 49, 392, 20);
    status->Panels().Add().SetWidth(250);
    status->Panels().Items(0).SetText("Progress");
    status->Panels().Add().SetWidth(100);
    status->Panels().Items(1).SetText("Percent");

    progress = new ui::TProgressBar(this);
    progress->SetParent(panel);
    progress->SetBounds(0, 48, 250, 21);

    button = new ui::TButton(this);
    button->SetParent(panel);
    button->SetBounds(78, 10, 92, 31);
    button->SetCaption("&Flash");

    row = new ui::TCheckBox(this);
    row->SetParent(this);
    row->SetBounds(10, 20, 310, 21);
    row->SetCaption("0");
  }

  ui::TPanel* panel;
  ui::TStatusBar* status;
  ui::TProgressBar* progress;
  ui::TButton* button;
  ui::TCheckBox* row;
};

class UiTest : public ::testing::Test {
 protected:
  LayoutForm* MakeForm() {
    LayoutForm* form = nullptr;
    app.CreateForm(form);
    return form;
  }

  ui::HeadlessBackend backend;
  ui::TApplication app{backend};
};

}  // namespace ui_test
