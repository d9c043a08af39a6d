// Clicks as a user makes them: only controls a user can reach get them; a check box changes its
// tick before its handler runs, a program's change of the tick runs no handler.
#include <functional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

TEST_F(UiTest, OnlyReachableControlsCanBeClicked) {
  struct Case {
    const char* name;
    std::function<void(LayoutForm&)> arrange;
    bool reached;
  };
  const Case cases[] = {
      {"shown and enabled", [](LayoutForm&) {}, true},
      {"hidden", [](LayoutForm& f) { f.button->Hide(); }, false},
      {"disabled", [](LayoutForm& f) { f.button->SetEnabled(false); }, false},
      {"panel hidden", [](LayoutForm& f) { f.panel->Hide(); }, false},
      {"panel disabled", [](LayoutForm& f) { f.panel->SetEnabled(false); }, false},
      {"form hidden", [](LayoutForm& f) { f.Hide(); }, false},
      {"off the form", [](LayoutForm& f) { f.button->SetParent(nullptr); }, false},
  };
  for (const Case& c : cases) {
    LayoutForm* form = nullptr;
    app.CreateForm(form);
    form->Show();
    int clicks = 0;
    form->button->OnClick = [&](TObject* sender) {
      EXPECT_EQ(sender, form->button);
      ++clicks;
    };
    c.arrange(*form);
    EXPECT_EQ(backend.Click(*form->button), c.reached) << c.name;
    EXPECT_EQ(clicks, c.reached ? 1 : 0) << c.name;
    delete form;
  }
}

TEST_F(UiTest, NoClickReachesTheWindowWhileABoxOfTheClassLibraryWaits) {
  LayoutForm* form = MakeForm();
  form->Show();
  int clicks = 0;
  form->button->OnClick = [&](TObject*) { ++clicks; };
  std::vector<bool> reached;
  backend.SetMessageBoxResponder([&](const HeadlessBackend::MessageBoxCall&) {
    reached.push_back(backend.Click(*form->button));
    return kIdOk;
  });
  ShowMessage("Read Flash NG");
  MessageBoxA("Update OK.", "Tolvarine", kMbOkCancel);
  // A box that is not task-modal, as the bare platform call gives it, leaves the window usable.
  backend.ShowMessageBox("owned by nobody", "", kMbOk);
  EXPECT_EQ(reached, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(backend.Click(*form->button));  // answered: usable again
}

TEST_F(UiTest, ACheckBoxClickTogglesBeforeItsHandler) {
  LayoutForm* form = MakeForm();
  form->Show();
  bool seen = false;
  form->row->OnClick = [&](TObject*) { seen = form->row->Checked(); };
  ASSERT_TRUE(backend.Click(*form->row));
  EXPECT_TRUE(form->row->Checked());
  EXPECT_TRUE(seen);
  ASSERT_TRUE(backend.Click(*form->row));
  EXPECT_FALSE(form->row->Checked());
  EXPECT_FALSE(seen);
}

TEST_F(UiTest, SettingTheTickRunsNoHandler) {
  LayoutForm* form = MakeForm();
  int clicks = 0;
  form->row->OnClick = [&](TObject*) { ++clicks; };
  backend.ClearUpdates();
  form->row->SetChecked(true);
  EXPECT_TRUE(form->row->Checked());
  EXPECT_EQ(clicks, 0);
  ASSERT_EQ(backend.Updates().size(), 1u);
  EXPECT_EQ(backend.Updates()[0].what, Change::Checked);
}

TEST_F(UiTest, AHandlerMayReplaceItself) {
  LayoutForm* form = MakeForm();
  form->Show();
  std::string log;
  form->button->OnClick = [&](TObject*) {
    log += "first;";
    form->button->OnClick = [&](TObject*) { log += "second;"; };
  };
  backend.Click(*form->button);
  backend.Click(*form->button);
  EXPECT_EQ(log, "first;second;");
}

}  // namespace
}  // namespace ui_test
