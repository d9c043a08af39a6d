// Smoke test of the Win32 back end under Wine: a form with real controls, found and driven the way
// the end-to-end helper does it (window class, text, visibility, check state, BM_CLICK), never by
// pixel coordinates. Runs on an X display (run_win32_smoke.sh).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/exception.h"
#include "ui/form.h"
#include "ui/native_look.h"
#include "ui/open_dialog.h"
#include "ui/progress_bar.h"
#include "ui/scaling.h"
#include "ui/status_bar.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "ui/win32/win32_backend.h"

namespace {

using namespace ui;

constexpr const char* kCaption = "Smoke Form";

class SmokeForm : public TForm {
 public:
  explicit SmokeForm(TComponent* owner) : TForm(owner) {
    SetCaption(kCaption);
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetBounds(40, 40, Width(), Height());
    SetClientWidth(394);
    SetClientHeight(175);
    Font().SetHeight(-14);

    panel = new TPanel(this);
    panel->SetParent(this);
    panel->SetBounds(0, 105, 394, 70);
    panel->SetAlign(alBottom);
    panel->SetCaption("");

    status = new TStatusBar(this);
    status->SetParent(panel);
    status->SetHeight(20);
    status->Panels().Add().SetWidth(250);
    status->Panels()[0].SetText("Progress");
    status->Panels().Add().SetWidth(100);
    status->Panels()[1].SetText("Percent");

    progress = new TProgressBar(this);
    progress->SetParent(panel);
    progress->SetBounds(0, 49, 251, 21);

    flash = new TButton(this);
    flash->SetParent(panel);
    flash->SetBounds(78, 10, 92, 31);
    flash->Font().SetHeight(-17);
    flash->Font().SetStyle(fsBold);
    flash->SetCaption("&Flash");
    flash->OnClick = [this](TObject*) { ++flashClicks; };

    hidden = new TButton(this);
    hidden->SetParent(panel);
    hidden->SetBounds(414, 98, 92, 31);
    hidden->SetCaption("Get CS");
    hidden->Hide();

    row = new TCheckBox(this);
    row->SetParent(this);
    row->SetBounds(10, 20, 310, 21);
    row->SetCaption("TEVOR   DVD RW KMR5133  1.00");
    row->Font().SetSize(10);
    row->Font().SetStyle(fsBold);
    row->Font().SetColor(clRed);
    row->SetChecked(true);
    row->OnClick = [this](TObject*) { ++rowClicks; };

    edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(10, 60, 200, 28);
    edit->SetText("C:\\FW.CVT");
  }

  TPanel* panel;
  TStatusBar* status;
  TProgressBar* progress;
  TButton* flash;
  TButton* hidden;
  TCheckBox* row;
  TEdit* edit;
  int flashClicks = 0;
  int rowClicks = 0;
};

struct Child {
  HWND hwnd;
  std::string className;
  std::string text;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  char cls[64] = {};
  char text[256] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  reinterpret_cast<std::vector<Child>*>(param)->push_back({hwnd, cls, text});
  return TRUE;
}

std::vector<Child> Children(HWND parent) {
  std::vector<Child> all;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FindChild(HWND parent, const std::string& text) {
  for (const Child& c : Children(parent)) {
    if (c.text == text) return c.hwnd;
  }
  return nullptr;
}

// Waits (up to half a minute) for a dialog box with this title from another thread, then acts on it.
template <class Act>
platform::Thread AnswerDialog(const char* title, Act act) {
  return platform::Thread([title, act] {
    for (int i = 0; i < 600; ++i) {
      if (HWND box = FindWindowA("#32770", title)) {
        act(box);
        return;
      }
      Sleep(50);
    }
  });
}

class Win32Smoke : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SetTitle("SMOKE");
    app.CreateForm(form);
    form->Show();
    app.ProcessMessages();
  }

  int Device(int design) const { return ui::MulDiv(design, backend.PixelsPerInch(), kDesignPixelsPerInch); }
  HWND FormWindow() const { return reinterpret_cast<HWND>(form->Widget()); }
  HWND Window(const TControl& c) const { return reinterpret_cast<HWND>(c.Widget()); }

  Win32Backend backend;
  TApplication app{backend};
  SmokeForm* form = nullptr;
};

TEST_F(Win32Smoke, TheFixedWindowHasTheSystemMenuAndMinimiseBoxOnly) {
  HWND hwnd = FindWindowA(native::kFormClass, kCaption);
  ASSERT_EQ(hwnd, FormWindow());
  EXPECT_TRUE(IsWindowVisible(hwnd));
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, Device(394));
  EXPECT_EQ(client.bottom, Device(175));
}

TEST_F(Win32Smoke, ControlsAreFoundByTextWithTheirState) {
  HWND flash = FindChild(FormWindow(), "&Flash");
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(flash, Window(*form->flash));
  EXPECT_TRUE(IsWindowVisible(flash));
  EXPECT_TRUE(IsWindowEnabled(flash));
  EXPECT_EQ(GetDlgCtrlID(flash), form->flash->ControlId());

  HWND hidden = FindChild(FormWindow(), "Get CS");
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(IsWindowVisible(hidden));

  HWND row = FindChild(FormWindow(), "TEVOR   DVD RW KMR5133  1.00");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(SendMessageA(row, BM_GETCHECK, 0, 0), BST_CHECKED);

  form->row->SetChecked(false);
  form->row->SetEnabled(false);
  form->flash->SetCaption("E&XIT");
  form->hidden->Show();
  EXPECT_EQ(SendMessageA(row, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(row));
  EXPECT_EQ(FindChild(FormWindow(), "E&XIT"), flash);
  EXPECT_TRUE(IsWindowVisible(hidden));

  RECT r;
  GetWindowRect(flash, &r);
  MapWindowPoints(nullptr, GetParent(flash), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, Device(78));
  EXPECT_EQ(r.right - r.left, Device(92));
}

TEST_F(Win32Smoke, BmClickReachesOnClick) {
  SendMessageA(Window(*form->flash), BM_CLICK, 0, 0);
  EXPECT_EQ(form->flashClicks, 1);

  SendMessageA(Window(*form->row), BM_CLICK, 0, 0);
  EXPECT_EQ(form->rowClicks, 1);
  EXPECT_FALSE(form->row->Checked());
  SendMessageA(Window(*form->row), BM_CLICK, 0, 0);
  EXPECT_TRUE(form->row->Checked());
}

TEST_F(Win32Smoke, UserTextReachesTheEdit) {
  SetWindowTextA(Window(*form->edit), "D:\\OTHER.CVT");
  EXPECT_EQ(form->edit->Text(), "D:\\OTHER.CVT");
}

TEST_F(Win32Smoke, StatusBarHasTwoPartsAndTheProgressBarCoversTheFirst) {
  HWND bar = Window(*form->status);
  int edges[4] = {};
  ASSERT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], Device(250));
  EXPECT_EQ(edges[1], -1);
  char text[64] = {};
  SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Percent");
  form->status->Panels()[1].SetText("Complete: 37%");
  SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Complete: 37%");

  HWND progress = Window(*form->progress);
  EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 100);
  form->progress->SetPosition(37);
  EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 37);

  // The status bar lies below its siblings, so the progress bar is drawn over it.
  HWND last = GetWindow(GetWindow(Window(*form->panel), GW_CHILD), GW_HWNDLAST);
  EXPECT_EQ(last, bar);
  EXPECT_EQ(GetWindow(progress, GW_HWNDNEXT), Window(*form->flash));  // the others in creation order
}

TEST_F(Win32Smoke, FontsScaleAndTheCheckBoxTextHasItsColour) {
  LOGFONTA font{};
  HFONT hfont = reinterpret_cast<HFONT>(SendMessageA(Window(*form->row), WM_GETFONT, 0, 0));
  ASSERT_NE(hfont, nullptr);
  ASSERT_GT(GetObjectA(hfont, sizeof font, &font), 0);
  EXPECT_EQ(font.lfHeight, -Device(17));
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");

  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageA(FormWindow(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(Window(*form->row)));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  form->row->Font().SetColor(clGreen);
  SendMessageA(FormWindow(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(Window(*form->row)));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 0));
  DeleteDC(dc);
}

TEST_F(Win32Smoke, TimerRunsThroughTheMessageLoop) {
  auto* timer = new TTimer(form);
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    timer->SetEnabled(false);
  };
  for (int i = 0; i < 2000 && ticks == 0; ++i) {
    app.ProcessMessages();
    Sleep(5);
  }
  EXPECT_EQ(ticks, 1);
}

TEST_F(Win32Smoke, CloseQueryCanRefuseThenCloseEndsRun) {
  bool allow = false;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  SendMessageA(FormWindow(), WM_CLOSE, 0, 0);
  app.ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(FormWindow()));
  EXPECT_FALSE(app.Terminated());
  EXPECT_EQ(SendMessageA(FormWindow(), WM_QUERYENDSESSION, 0, 0), FALSE);

  allow = true;
  EXPECT_EQ(SendMessageA(FormWindow(), WM_QUERYENDSESSION, 0, 0), TRUE);
  PostMessageA(FormWindow(), WM_CLOSE, 0, 0);
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(IsWindowVisible(FormWindow()));
}

// The exception crosses the window procedure and comes out of the dispatching call into the loop,
// which hands it to the application and goes on.
TEST_F(Win32Smoke, AnExceptionFromAHandlerReachesTheApplicationAndTheLoopGoesOn) {
  std::vector<std::string> taken;
  app.OnException = [&taken](TObject*, const std::exception& e) { taken.push_back(e.what()); };
  form->flash->OnClick = [](TObject*) { throw Exception("handler failed"); };
  PostMessageA(Window(*form->flash), BM_CLICK, 0, 0);
  PostMessageA(Window(*form->flash), BM_CLICK, 0, 0);
  EXPECT_NO_THROW(app.ProcessMessages());
  EXPECT_EQ(taken, (std::vector<std::string>{"handler failed", "handler failed"}));
}

TEST_F(Win32Smoke, MessageBoxesAreModalWithTheirTextAndButtons) {
  std::string seen;
  platform::Thread helper = AnswerDialog("SMOKE", [&seen](HWND box) {
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  ShowMessage("No drive is selected");
  helper.Join();
  EXPECT_EQ(seen, "No drive is selected");

  helper = AnswerDialog(kCaption, [](HWND box) { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); });
  const int answer = ui::MessageBoxA("Update OK.", kCaption, kMbOkCancel);
  helper.Join();
  EXPECT_EQ(answer, kIdCancel);
}

TEST_F(Win32Smoke, OpenDialogCanBeCancelled) {
  auto* dialog = new TOpenDialog(form);
  dialog->SetFilter("Firmeare P(*.CVT)|*.CVT");
  dialog->SetTitle("Smoke Open");
  dialog->SetFileName("C:\\OLD.CVT");
  platform::Thread helper = AnswerDialog("Smoke Open", [](HWND box) { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_FALSE(dialog->Execute());
  helper.Join();
  EXPECT_EQ(dialog->FileName(), "C:\\OLD.CVT");
}

TEST_F(Win32Smoke, FreeingTheFormDestroysItsWindows) {
  HWND hwnd = FormWindow();
  HWND row = Window(*form->row);
  delete form;
  form = nullptr;
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(IsWindow(row));
}

}  // namespace
