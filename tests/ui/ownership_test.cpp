// Owners and parents: who frees whom, when widgets exist, re-parenting.
#include "ui/exception.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

// Counts its own destruction, to see owners and parents free exactly once.
class CountedButton : public TButton {
 public:
  CountedButton(TComponent* owner, int& freed) : TButton(owner), freed_(freed) {}
  ~CountedButton() override { ++freed_; }

 private:
  int& freed_;
};

TEST_F(UiTest, FreeingAFormFreesEverythingItOwnsAndItsWidgets) {
  LayoutForm* form = MakeForm();
  int freed = 0;
  auto* loose = new CountedButton(form, freed);  // owned, never parented
  auto* onPanel = new CountedButton(form, freed);
  onPanel->SetParent(form->panel);
  auto* timer = new TTimer(form);
  EXPECT_TRUE(backend.TimerRunning(*timer));
  EXPECT_EQ(backend.LiveWidgets(), 7u);  // form, panel, status, progress, button, row, onPanel
  (void)loose;

  delete form;
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(backend.LiveWidgets(), 0u);
  EXPECT_EQ(app.MainForm(), nullptr);
  EXPECT_EQ(app.ComponentCount(), 0);
}

TEST_F(UiTest, ParentFreesChildrenOwnedByAnother) {
  LayoutForm* form = MakeForm();
  int freed = 0;
  auto* child = new CountedButton(&app, freed);  // owned by the application
  child->SetParent(form->panel);
  const int owned = app.ComponentCount();

  delete form->panel;
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(app.ComponentCount(), owned - 1);
  EXPECT_EQ(form->ControlCount(), 1);  // the row is left
}

TEST_F(UiTest, AControlFreedFirstLeavesItsOwnerAndParent) {
  LayoutForm* form = MakeForm();
  const int owned = form->ComponentCount();
  const int children = form->panel->ControlCount();
  delete form->button;
  EXPECT_EQ(form->ComponentCount(), owned - 1);
  EXPECT_EQ(form->panel->ControlCount(), children - 1);
}

TEST_F(UiTest, WidgetsExistOnlyUnderAForm) {
  LayoutForm* form = MakeForm();
  auto* box = new TPanel(form);
  auto* inner = new TEdit(form);
  inner->SetParent(box);
  EXPECT_FALSE(backend.HasWidget(*box));
  EXPECT_FALSE(backend.HasWidget(*inner));

  box->SetParent(form);
  EXPECT_TRUE(backend.HasWidget(*box));
  EXPECT_TRUE(backend.HasWidget(*inner));

  // Moving a subtree gives it new widgets under the new parent; taking it off drops them.
  box->SetParent(form->panel);
  EXPECT_TRUE(backend.HasWidget(*inner));
  box->SetParent(nullptr);
  EXPECT_FALSE(backend.HasWidget(*box));
  EXPECT_FALSE(backend.HasWidget(*inner));
  EXPECT_FALSE(inner->Showing());
}

TEST_F(UiTest, ImpossibleParentsAreRefused) {
  LayoutForm* form = MakeForm();
  EXPECT_THROW(form->panel->SetParent(form->panel), EInvalidOperation);
  auto* inner = new TPanel(form);
  inner->SetParent(form->panel);
  EXPECT_THROW(form->panel->SetParent(inner), EInvalidOperation);
  auto* other = new TForm(&app);
  EXPECT_THROW(other->SetParent(form), EInvalidOperation);
  EXPECT_EQ(form->panel->Parent(), form);
}

TEST(NoApplicationTest, ControlsWithoutApplicationHoldTheirProperties) {
  TButton button(nullptr);
  button.SetCaption("E&XIT");
  button.SetBounds(214, 10, 92, 31);
  EXPECT_EQ(button.Caption(), "E&XIT");
  EXPECT_EQ(button.Left(), 214);
  EXPECT_EQ(button.Widget(), 0u);
  EXPECT_EQ(button.ControlId(), 0);
}

}  // namespace
}  // namespace ui_test
