// The open dialog through the headless back end, and its filter.
#include <optional>
#include <string>
#include <vector>

#include "ui/native_look.h"
#include "ui/open_dialog.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

class OpenDialogTest : public UiTest {
 protected:
  void SetUp() override {
    form = MakeForm();
    dialog = new TOpenDialog(form);
    dialog->SetFilter("Firmeare P(*.CVT)|*.CVT");
  }
  LayoutForm* form = nullptr;
  TOpenDialog* dialog = nullptr;
};

TEST_F(OpenDialogTest, AConfirmedFileBecomesTheFileName) {
  backend.SetOpenDialogResponder([](const OpenFileRequest&) -> std::optional<std::string> {
    return std::string("C:\\FW\\NEW.CVT");
  });
  ASSERT_TRUE(dialog->Execute());
  EXPECT_EQ(dialog->FileName(), "C:\\FW\\NEW.CVT");
  ASSERT_EQ(backend.OpenDialogs().size(), 1u);
  const OpenFileRequest& request = backend.OpenDialogs()[0];
  EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"Firmeare P(*.CVT)", "*.CVT"}}));
  EXPECT_EQ(request.owner, form);
}

TEST_F(OpenDialogTest, CancelKeepsTheFileName) {
  dialog->SetFileName("C:\\OLD.CVT");
  EXPECT_FALSE(dialog->Execute());
  EXPECT_EQ(dialog->FileName(), "C:\\OLD.CVT");
  ASSERT_EQ(backend.OpenDialogs().size(), 1u);
  EXPECT_EQ(backend.OpenDialogs()[0].fileName, "C:\\OLD.CVT");
}

TEST(FilterTest, PairsFromTheDesignersForm) {
  struct Case {
    const char* filter;
    std::vector<FileFilter> pairs;
  };
  const Case cases[] = {
      {"Firmeare P(*.CVT)|*.CVT", {{"Firmeare P(*.CVT)", "*.CVT"}}},
      {"A|*.a|B|*.b;*.c", {{"A", "*.a"}, {"B", "*.b;*.c"}}},
      {"A|*.a|Lonely", {{"A", "*.a"}}},
      {"A|*.a|", {{"A", "*.a"}}},
      {"|*.a", {{"*.a", "*.a"}}},
      {"NoPattern||B|*.b", {{"B", "*.b"}}},
      {"", {}},
      {"|", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFilter(c.filter), c.pairs) << c.filter;
}

TEST(FilterTest, DoubleNulFormForTheSystemDialog) {
  using std::string_literals::operator""s;
  struct Case {
    std::vector<FileFilter> pairs;
    std::string expected;
  };
  const Case cases[] = {
      {{{"Firmeare P(*.CVT)", "*.CVT"}}, "Firmeare P(*.CVT)\0*.CVT\0\0"s},
      {{{"A", "*.a"}, {"B", "*.b"}}, "A\0*.a\0B\0*.b\0\0"s},
      {{}, ""s},
      // NULs inside the texts would end the list early.
      {{{"A\0"s, "*.a"}, {"\0"s, "*.b"}, {"C", "\0"s}}, "A\0*.a\0*.b\0*.b\0\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(native::DoubleNulFilter(c.pairs), c.expected);
}

TEST(FilterTest, TheDialogLeavesTheCurrentDirectoryAlone) {
  EXPECT_NE(native::OpenDialogFlags() & native::kOfnNoChangeDir, 0u);
}

}  // namespace
}  // namespace ui_test
