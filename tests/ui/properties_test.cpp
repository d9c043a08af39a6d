// Control properties: round trips, what reaches the back end, fonts and their inheritance, form
// size arithmetic, alignment, progress range and status panels.
#include <functional>
#include <string>
#include <vector>

#include "ui/exception.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

struct ControlCase {
  const char* name;
  std::function<TControl*(TComponent*)> make;
};

class ControlProperties : public UiTest, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlProperties, RoundTripAndReachTheBackEnd) {
  LayoutForm* form = MakeForm();
  TControl* c = GetParam().make(form);
  c->SetParent(form->panel);
  ASSERT_TRUE(backend.HasWidget(*c));
  backend.ClearUpdates();

  c->SetBounds(5, 6, 70, 80);
  c->SetCaption("&Load CVT");
  c->SetVisible(false);
  c->SetEnabled(false);
  c->Font().SetColor(clRed);
  c->SetColor(clWhite);

  EXPECT_EQ(c->BoundsRect(), (TRect{5, 6, 75, 86}));
  EXPECT_EQ(c->Caption(), "&Load CVT");
  EXPECT_EQ(c->Text(), "&Load CVT");
  EXPECT_FALSE(c->Visible());
  EXPECT_FALSE(c->Enabled());
  EXPECT_EQ(c->Font().Color(), clRed);
  EXPECT_EQ(c->Color(), clWhite);

  std::vector<Change> seen;
  for (const auto& u : backend.Updates()) {
    EXPECT_EQ(u.controlId, c->ControlId());
    seen.push_back(u.what);
  }
  EXPECT_EQ(seen, (std::vector<Change>{Change::Bounds, Change::Text, Change::Visible, Change::Enabled,
                                       Change::Font, Change::Color}));

  // Setting a value the control already has is no change.
  backend.ClearUpdates();
  c->SetCaption("&Load CVT");
  c->SetVisible(false);
  EXPECT_TRUE(backend.Updates().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ControlProperties,
    ::testing::Values(ControlCase{"Button", [](TComponent* o) -> TControl* { return new TButton(o); }},
                      ControlCase{"CheckBox", [](TComponent* o) -> TControl* { return new TCheckBox(o); }},
                      ControlCase{"Label", [](TComponent* o) -> TControl* { return new TLabel(o); }},
                      ControlCase{"Edit", [](TComponent* o) -> TControl* { return new TEdit(o); }},
                      ControlCase{"Panel", [](TComponent* o) -> TControl* { return new TPanel(o); }},
                      ControlCase{"ProgressBar",
                                  [](TComponent* o) -> TControl* { return new TProgressBar(o); }}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(UiTest, NegativeSizesAreTakenAsZero) {
  LayoutForm* form = MakeForm();
  form->button->SetBounds(-5, -6, -7, -8);
  EXPECT_EQ(form->button->BoundsRect(), (TRect{-5, -6, -5, -6}));
}

TEST(FontTest, SizeInPointsAndHeightInDesignPixels) {
  struct Case {
    int points;
    int height;
  };
  // Height = -round(points * 120 / 72); the sizes of the updater's fonts.
  for (const Case c : {Case{10, -17}, Case{8, -13}, Case{12, -20}, Case{9, -15}}) {
    TFont font;
    font.SetSize(c.points);
    EXPECT_EQ(font.Height(), c.height) << c.points << " pt";
    EXPECT_EQ(font.Size(), c.points) << c.points << " pt";
  }
  TFont font;
  font.SetHeight(-14);
  EXPECT_EQ(font.Size(), 8);
}

TEST(FontTest, StyleKeepsOnlyKnownFlags) {
  TFont font;
  font.SetStyle(fsBold | 0x80);
  EXPECT_EQ(font.Style(), fsBold);
  EXPECT_TRUE(font.Bold());
}

TEST_F(UiTest, ControlsTakeTheirParentsFontUntilGivenTheirOwn) {
  LayoutForm* form = MakeForm();
  TCheckBox* row = form->row;
  EXPECT_TRUE(row->ParentFont());
  EXPECT_EQ(row->Font().Height(), -14);
  EXPECT_EQ(row->Font().Name(), "MS Sans Serif");

  // A drive-list row: 10 points bold, its own font from now on.
  row->Font().SetSize(10);
  row->Font().SetStyle(fsBold);
  EXPECT_FALSE(row->ParentFont());

  form->Font().SetHeight(-20);
  EXPECT_EQ(row->Font().Height(), -17);
  EXPECT_TRUE(row->Font().Bold());
  // Controls still on the parent's font follow it, through the panel.
  EXPECT_EQ(form->panel->Font().Height(), -20);
  EXPECT_EQ(form->button->Font().Height(), -20);

  row->Font().SetColor(clGreen);
  EXPECT_EQ(row->Font().Color(), clGreen);
  EXPECT_EQ(form->Font().Color(), clWindowText);

  row->SetParentFont(true);
  EXPECT_EQ(row->Font().Height(), -20);
}

TEST_F(UiTest, FormOuterSizeIsClientSizePlusFrame) {
  backend.SetFormFrame({6, 30});
  LayoutForm* form = MakeForm();
  EXPECT_EQ(form->ClientWidth(), 394);
  EXPECT_EQ(form->ClientHeight(), 175);
  EXPECT_EQ(form->Width(), 400);
  EXPECT_EQ(form->Height(), 205);
  EXPECT_EQ(form->Left(), 343);

  form->SetWidth(370);
  EXPECT_EQ(form->Width(), 370);
  EXPECT_EQ(form->ClientWidth(), 364);
  EXPECT_EQ(form->ClientHeight(), 175);

  // Borders that change keep the client area.
  form->SetBorderStyle(bsNone);
  EXPECT_EQ(form->ClientWidth(), 364);
  EXPECT_EQ(form->Width(), 364);
}

TEST_F(UiTest, BottomAlignedControlsFollowTheirParent) {
  LayoutForm* form = MakeForm();
  // The panel spans the client width at its bottom; the status bar sits inside the panel's bevel.
  EXPECT_EQ(form->panel->BoundsRect(), (TRect{0, 105, 394, 175}));
  EXPECT_EQ(form->status->BoundsRect(), (TRect{1, 49, 393, 69}));
  // Unaligned controls keep their place.
  EXPECT_EQ(form->progress->BoundsRect(), (TRect{0, 48, 250, 69}));

  form->SetWidth(370);
  const int client = form->ClientWidth();
  EXPECT_EQ(form->panel->Width(), client);
  EXPECT_EQ(form->status->Width(), client - 2);
  // An aligned control cannot be moved out of its place.
  form->status->SetWidth(370);
  EXPECT_EQ(form->status->Width(), client - 2);

  form->SetClientHeight(200);
  EXPECT_EQ(form->panel->Top(), 130);
}

TEST_F(UiTest, AlignmentStacksVisibleControlsOnly) {
  LayoutForm* form = MakeForm();
  auto* lower = new TPanel(form);
  lower->SetBounds(0, 0, 10, 20);
  lower->SetAlign(alBottom);
  lower->SetParent(form);
  // The control lowest down before aligning keeps the bottom edge; the next stacks above it.
  EXPECT_EQ(form->panel->Top() + form->panel->Height(), 175);
  EXPECT_EQ(lower->Top(), 105 - 20);

  form->panel->Hide();
  EXPECT_EQ(lower->Top(), 155);
  form->panel->Show();

  auto* fill = new TPanel(form);
  fill->SetAlign(alClient);
  fill->SetParent(form);
  EXPECT_EQ(fill->BoundsRect(), (TRect{0, 0, 394, 85}));
}

TEST_F(UiTest, ProgressPositionStaysInsideTheRange) {
  LayoutForm* form = MakeForm();
  TProgressBar* bar = form->progress;
  struct Case {
    int set;
    int expected;
  };
  for (const Case c : {Case{37, 37}, Case{100, 100}, Case{101, 100}, Case{-1, 0}, Case{0, 0}}) {
    bar->SetPosition(c.set);
    EXPECT_EQ(bar->Position(), c.expected) << c.set;
  }
  bar->SetPosition(80);
  bar->SetRange(0, 50);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_THROW(bar->SetMin(60), EInvalidOperation);
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 50);
}

TEST_F(UiTest, StatusPanelsHoldWidthAndText) {
  LayoutForm* form = MakeForm();
  TStatusPanels& panels = form->status->Panels();
  ASSERT_EQ(panels.Count(), 2);
  EXPECT_EQ(panels[0].Width(), 250);
  EXPECT_EQ(panels[1].Text(), "Percent");
  EXPECT_FALSE(form->status->SimplePanel());

  backend.ClearUpdates();
  panels[1].SetText("Complete: 37%");
  ASSERT_EQ(backend.Updates().size(), 1u);
  EXPECT_EQ(backend.Updates()[0].what, Change::PanelText);
  EXPECT_EQ(backend.Updates()[0].index, 1);

  panels[0].SetWidth(-3);
  EXPECT_EQ(panels[0].Width(), 0);
  EXPECT_THROW(panels[2], EListError);
  EXPECT_THROW(panels.Items(-1), EListError);
}

TEST_F(UiTest, ListIndexesAreChecked) {
  LayoutForm* form = MakeForm();
  EXPECT_EQ(form->ControlCount(), 2);  // panel, row
  EXPECT_EQ(form->Controls(1), form->row);
  EXPECT_THROW(form->Controls(2), EListError);
  EXPECT_THROW(form->Components(-1), EListError);
}

}  // namespace
}  // namespace ui_test
