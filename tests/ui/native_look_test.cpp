// What the Win32 back end makes of the controls, checked natively: styles, scaling, status parts,
// progress range.
#include <vector>

#include "ui/native_look.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;
using namespace ui::native;

TEST(NativeLookTest, TheFixedWindowHasTheSystemMenuAndMinimiseBoxOnly) {
  const uint32_t style = FormStyle(bsSingle, biSystemMenu | biMinimize);
  EXPECT_EQ(style & kWsCaption, kWsCaption);
  EXPECT_NE(style & kWsSysMenu, 0u);
  EXPECT_NE(style & kWsMinimizeBox, 0u);
  EXPECT_EQ(style & kWsMaximizeBox, 0u);
  EXPECT_EQ(style & kWsThickFrame, 0u);

  EXPECT_NE(FormStyle(bsSizeable, biSystemMenu) & kWsThickFrame, 0u);
  // The boxes need the system menu.
  EXPECT_EQ(FormStyle(bsSingle, biMinimize | biMaximize) & (kWsSysMenu | kWsMinimizeBox), 0u);
  EXPECT_EQ(FormStyle(bsNone, biSystemMenu) & (kWsCaption | kWsSysMenu), 0u);
}

TEST_F(UiTest, EachControlGetsItsWindowClassAndState) {
  LayoutForm* form = MakeForm();
  auto* label = new TLabel(form);
  auto* edit = new TEdit(form);
  label->SetParent(form->panel);
  edit->SetParent(form->panel);
  form->row->Hide();
  form->button->SetEnabled(false);

  struct Case {
    const TControl* control;
    const char* className;
    uint32_t styleBits;
  };
  const Case cases[] = {
      {form->panel, kPanelClass, kWsChild | kWsVisible},
      {form->button, "BUTTON", kWsChild | kWsVisible | kWsDisabled | kBsPushButton | kWsTabStop},
      {form->row, "BUTTON", kWsChild | kBsAutoCheckBox},
      {label, "STATIC", kWsChild | kWsVisible},
      {edit, "EDIT", kWsChild | kWsVisible | kEsAutoHScroll},
      {form->status, "msctls_statusbar32", kWsChild | kCcsNoResize | kCcsNoParentAlign},
      {form->progress, "msctls_progress32", kWsChild | kWsVisible},
  };
  for (const Case& c : cases) {
    const WindowKind window = Describe(*c.control);
    EXPECT_STREQ(window.className, c.className);
    EXPECT_EQ(window.style & c.styleBits, c.styleBits) << c.className;
  }
  EXPECT_EQ(Describe(*form->row).style & kWsVisible, 0u);
  EXPECT_EQ(Describe(*form->button).style & kBsAutoCheckBox, kBsPushButton);
  EXPECT_TRUE(Describe(*form->status).behindSiblings);
  EXPECT_FALSE(Describe(*form->progress).behindSiblings);
  EXPECT_STREQ(Describe(*form).className, kFormClass);
  EXPECT_EQ(Describe(*form).style & kWsChild, 0u);
}

TEST(ScalingTest, MulDivRoundsToNearest) {
  struct Case {
    int a, b, c, expected;
  };
  for (const Case t : {Case{394, 96, 120, 315}, Case{92, 96, 120, 74}, Case{5, 1, 2, 3}, Case{-5, 1, 2, -3},
                       Case{-17, 96, 120, -14}, Case{1, 1, 0, -1}, Case{0x40000000, 8, 1, -1}}) {
    EXPECT_EQ(MulDiv(t.a, t.b, t.c), t.expected) << t.a << "*" << t.b << "/" << t.c;
  }
}

TEST_F(UiTest, BoundsAndFontsScaleToTheDisplayDensity) {
  LayoutForm* form = MakeForm();
  struct Case {
    int dpi;
    DeviceBounds button;
  };
  for (const Case c : {Case{120, {78, 10, 92, 31}}, Case{96, {62, 8, 74, 25}}, Case{144, {94, 12, 110, 37}},
                       Case{0, {78, 10, 92, 31}}}) {
    EXPECT_EQ(ScaleBounds(*form->button, Scaler(c.dpi)), c.button) << c.dpi;
  }
  EXPECT_EQ(ScaleFormClient(*form, Scaler(96)), (DeviceBounds{274, 146, 315, 140}));
  EXPECT_EQ(Scaler(96).FontHeightToDevice(-17), -14);
  EXPECT_EQ(Scaler(96).ToDesign(315), 394);
  form->row->Font().SetStyle(fsBold);
  EXPECT_EQ(FontWeight(form->row->Font()), kFwBold);
  EXPECT_EQ(FontWeight(form->button->Font()), kFwNormal);
}

TEST(StatusPartsTest, RightEdgesWithTheLastPartToTheEnd) {
  struct Case {
    std::vector<int> widths;
    int dpi;
    std::vector<int> edges;
  };
  const Case cases[] = {
      {{250, 100}, 120, {250, -1}},
      {{250, 100}, 96, {200, -1}},
      {{10, 20, 30}, 120, {10, 30, -1}},
      {{}, 120, {-1}},
  };
  for (const Case& c : cases) EXPECT_EQ(StatusPartEdges(c.widths, Scaler(c.dpi)), c.edges);
}

TEST(ProgressRangeTest, SixteenBitRangeOrTheWideMessage) {
  EXPECT_EQ(ProgressRange16(0, 100), std::optional<uint32_t>(100u << 16));
  EXPECT_EQ(ProgressRange16(5, 65535), std::optional<uint32_t>(0xFFFF0005u));
  EXPECT_EQ(ProgressRange16(-1, 100), std::nullopt);
  EXPECT_EQ(ProgressRange16(0, 70000), std::nullopt);
}

}  // namespace
}  // namespace ui_test
