// The window as its form resource lays it out, before FormCreate changes anything: the form's
// client size, colour and font, and every control's place, size and font, number by number.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/form1.h"
#include "ui/application.h"
#include "ui/colors.h"
#include "ui/headless_backend.h"

namespace app {
namespace {

struct OwnFont {
  int height;
  bool bold;
};

struct Placed {
  std::string name;
  std::function<const ui::TControl*(const TForm1&)> control;
  int left, top, width, height;
  std::optional<OwnFont> font;  // none: the window's font
};

const Placed kResource[] = {
    {"Panel1", [](const TForm1& f) { return f.Panel1; }, 0, 105, 394, 70, std::nullopt},
    {"Label1", [](const TForm1& f) { return f.Label1; }, 10, 20, 66, 25, OwnFont{-20, true}},
    {"LabelCS", [](const TForm1& f) { return f.LabelCS; }, 10, 59, 85, 25, OwnFont{-20, true}},
    {"ButtonLoad", [](const TForm1& f) { return f.ButtonLoad; }, 30, 98, 92, 31, OwnFont{-17, true}},
    {"Edit1", [](const TForm1& f) { return f.Edit1; }, 98, 20, 493, 28, OwnFont{-17, false}},
    {"EditCS", [](const TForm1& f) { return f.EditCS; }, 98, 59, 149, 33, OwnFont{-20, true}},
    {"ButtonFlash", [](const TForm1& f) { return f.ButtonFlash; }, 78, 10, 92, 31, OwnFont{-17, true}},
    {"Button1", [](const TForm1& f) { return f.Button1; }, 354, 59, 93, 31, std::nullopt},
    {"CheckBoxEject", [](const TForm1& f) { return f.CheckBoxEject; }, 512, 59, 247, 21, OwnFont{-17, false}},
    {"CheckBoxForcedFlash", [](const TForm1& f) { return f.CheckBoxForcedFlash; }, 512, 89, 238, 21,
     OwnFont{-17, false}},
    {"CheckBoxReset", [](const TForm1& f) { return f.CheckBoxReset; }, 512, 118, 119, 21, std::nullopt},
    {"ButExit", [](const TForm1& f) { return f.ButExit; }, 214, 10, 92, 31, OwnFont{-17, true}},
    {"StatusBar", [](const TForm1& f) { return f.StatusBar; }, 1, 49, 392, 20, std::nullopt},
    {"ButCS", [](const TForm1& f) { return f.ButCS; }, 414, 98, 92, 31, OwnFont{-17, true}},
    {"ButAD", [](const TForm1& f) { return f.ButAD; }, 534, 98, 92, 31, OwnFont{-17, true}},
    {"ProgressBar", [](const TForm1& f) { return f.ProgressBar; }, 0, 48, 250, 21, std::nullopt},
};

class ResourceForm : public ::testing::Test {
 protected:
  ui::HeadlessBackend backend;
  ui::TApplication application{backend};
  // Built by its constructor alone: FormCreate runs only when the application creates the form.
  TForm1* form = new TForm1(&application);
};

class FormResource : public ResourceForm, public ::testing::WithParamInterface<Placed> {};

TEST_P(FormResource, ControlHasItsPlaceSizeAndFont) {
  const Placed& p = GetParam();
  const ui::TControl* control = p.control(*form);
  EXPECT_EQ(control->Parent(), p.name == "Panel1" ? static_cast<const ui::TControl*>(form) : form->Panel1);
  EXPECT_EQ(control->Left(), p.left);
  EXPECT_EQ(control->Top(), p.top);
  EXPECT_EQ(control->Width(), p.width);
  EXPECT_EQ(control->Height(), p.height);
  const ui::TFont& font = control->Font();
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  if (p.font) {
    EXPECT_FALSE(control->ParentFont());
    EXPECT_EQ(font.Height(), p.font->height);
    EXPECT_EQ(font.Bold(), p.font->bold);
  } else {
    EXPECT_TRUE(control->ParentFont());
    EXPECT_TRUE(font.SameAs(form->Font()));
  }
}

INSTANTIATE_TEST_SUITE_P(Layout, FormResource, ::testing::ValuesIn(kResource),
                         [](const auto& tp) { return tp.param.name; });

TEST_F(ResourceForm, FormHasItsPlaceClientSizeColourAndFont) {
  EXPECT_EQ(form->Left(), 343);
  EXPECT_EQ(form->Top(), 183);
  EXPECT_EQ(form->ClientWidth(), 394);
  EXPECT_EQ(form->ClientHeight(), 175);
  EXPECT_EQ(form->Color(), ui::clBtnFace);
  EXPECT_EQ(form->Font().Name(), "MS Sans Serif");
  EXPECT_EQ(form->Font().Height(), -14);
  EXPECT_EQ(form->Font().Style(), ui::TFontStyles{});
  EXPECT_EQ(form->BorderStyle(), ui::bsSingle);
  EXPECT_EQ(form->BorderIcons(), ui::biSystemMenu | ui::biMinimize);
}

}  // namespace
}  // namespace app
