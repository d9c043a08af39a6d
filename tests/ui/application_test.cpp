// The application object: form creation, message loop, closing, message boxes and the standard
// exception display.
#include <new>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/exception.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using namespace ui;

class CreatedForm;
CreatedForm* gCreated = nullptr;

class CreatedForm : public LayoutForm {
 public:
  explicit CreatedForm(TComponent* owner) : LayoutForm(owner) {
    OnCreate = [this](TObject*) { sawItself = gCreated == this; };
  }
  bool sawItself = false;
};

TEST_F(UiTest, CreateFormStoresTheReferenceBeforeOnCreateRuns) {
  gCreated = nullptr;
  app.CreateForm(gCreated);
  ASSERT_NE(gCreated, nullptr);
  EXPECT_TRUE(gCreated->sawItself);
  EXPECT_EQ(app.MainForm(), gCreated);
  EXPECT_FALSE(gCreated->Visible());

  LayoutForm* second = nullptr;
  app.CreateForm(second);
  EXPECT_EQ(app.MainForm(), gCreated);  // the first form stays the main form
  gCreated = nullptr;
}

TEST(TitleTest, TitleIsTheProgramFileNameWithoutFolderAndExtension) {
  struct Case {
    const char* path;
    const char* title;
  };
  for (const Case c : {Case{"C:\\TOOLS\\FLASH.EXE", "FLASH"}, Case{"FLASH.EXE", "FLASH"},
                       Case{"/opt/x/flash", "flash"}, Case{"C:\\a.b\\prog", "prog"},
                       Case{"D:\\x\\two.dots.exe", "two.dots"}, Case{"", ""}}) {
    EXPECT_EQ(TitleFromModulePath(c.path), c.title) << c.path;
  }
}

TEST_F(UiTest, ShowMessageIsOneOkBoxCaptionedWithTheTitle) {
  app.SetTitle("FLASH");
  ShowMessage("No drive is selected");
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  const auto& box = backend.MessageBoxes()[0];
  EXPECT_EQ(box.text, "No drive is selected");
  EXPECT_EQ(box.caption, "FLASH");
  EXPECT_EQ(box.flags & kMbTypeMask, kMbOk);
  EXPECT_NE(box.flags & kMbTaskModal, 0u);
}

TEST_F(UiTest, MessageBoxAPassesCaptionFlagsAndTheAnswerAndIsTaskModal) {
  backend.SetMessageBoxResponder([](const HeadlessBackend::MessageBoxCall&) { return kIdCancel; });
  const int answer = MessageBoxA("Update OK.", "Tolvarine", kMbOkCancel);
  EXPECT_EQ(answer, kIdCancel);
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(backend.MessageBoxes()[0].caption, "Tolvarine");
  EXPECT_EQ(backend.MessageBoxes()[0].flags, kMbOkCancel | kMbTaskModal);
}

TEST(MessageBoxFlagsTest, DefaultAnswerIsTheDefaultButton) {
  struct Case {
    uint32_t flags;
    int answer;
  };
  for (const Case c : {Case{kMbOk, kIdOk}, Case{kMbOkCancel, kIdOk}, Case{kMbOkCancel | kMbDefButton2, kIdCancel},
                       Case{kMbYesNo, kIdYes}, Case{kMbYesNoCancel | kMbDefButton3, kIdCancel},
                       Case{kMbYesNo | kMbDefButton3, kIdYes}, Case{0xE, kIdOk}}) {
    EXPECT_EQ(DefaultButtonAnswer(c.flags), c.answer) << std::hex << c.flags;
  }
}

TEST_F(UiTest, HandleExceptionShowsTheMessageWithTheTitle) {
  app.SetTitle("FLASH");
  app.HandleException(Exception("Out of system resources"));
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(backend.MessageBoxes()[0].text, "Out of system resources");
  EXPECT_EQ(backend.MessageBoxes()[0].caption, "FLASH");
  EXPECT_EQ(backend.MessageBoxes()[0].flags & kMbIconHand, kMbIconHand);
}

TEST_F(UiTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  LayoutForm* form = MakeForm();
  std::vector<std::string> log;
  backend.Post([&] { log.push_back(form->Visible() ? "visible" : "hidden"); });
  backend.Post([&] { form->Close(); });
  backend.Post([&] { log.push_back("after close"); });
  app.Run();
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(form->Visible());
  // Messages queued before the quit request are still handled.
  EXPECT_EQ(log, (std::vector<std::string>{"visible", "after close"}));
}

TEST_F(UiTest, CloseQueryCanKeepTheFormOpen) {
  LayoutForm* form = MakeForm();
  bool allow = false;
  int closed = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  form->OnClose = [&](TObject*) { ++closed; };
  form->Show();

  EXPECT_FALSE(form->CloseQuery());
  form->Close();
  app.ProcessMessages();
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(app.Terminated());
  EXPECT_EQ(closed, 0);

  allow = true;
  form->Close();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(app.Terminated());  // not before the loop sees the quit request
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
}

TEST_F(UiTest, ClosingAnotherFormDoesNotEndTheProgram) {
  MakeForm();
  LayoutForm* second = nullptr;
  app.CreateForm(second);
  second->Show();
  second->Close();
  app.ProcessMessages();
  EXPECT_FALSE(second->Visible());
  EXPECT_FALSE(app.Terminated());
}

TEST_F(UiTest, ProcessMessagesHandlesWhatIsPendingAndStopsAtQuit) {
  MakeForm();
  std::vector<int> ran;
  backend.Post([&] {
    ran.push_back(1);
    backend.Post([&] { ran.push_back(2); });  // posted while handling: still pending now
  });
  app.ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));

  backend.Post([&] { ran.push_back(3); });
  app.Terminate();
  backend.Post([&] { ran.push_back(4); });
  app.ProcessMessages();
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(backend.PendingMessages(), 1u);
}

// Leaving the loop would end the program while its threads may still be at work: the exception is
// shown and the next message is handled, in Run and in ProcessMessages (a handler waiting there is
// not unwound); OnException takes the place of the display. Exceptions of any type.
TEST_F(UiTest, AnExceptionFromAHandlerIsShownAndTheLoopGoesOn) {
  LayoutForm* form = MakeForm();
  form->button->OnClick = [](TObject*) { throw Exception("Access violation"); };
  std::vector<int> ran;
  backend.Post([&] { backend.Click(*form->button); });
  backend.Post([&] { throw std::bad_alloc(); });
  backend.Post([&] { throw 42; });
  backend.Post([&] { ran.push_back(1); });
  app.Run();
  EXPECT_EQ(ran, std::vector<int>{1});
  ASSERT_EQ(backend.MessageBoxes().size(), 3u);
  EXPECT_EQ(backend.MessageBoxes()[0].text, "Access violation");
  EXPECT_EQ(backend.MessageBoxes()[0].flags, kMbOk | kMbIconHand | kMbTaskModal);
  EXPECT_EQ(backend.MessageBoxes()[1].text, std::bad_alloc().what());
  EXPECT_EQ(backend.MessageBoxes()[2].text, "Unknown exception");

  std::vector<std::string> taken;
  app.OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, &app);
    taken.push_back(e.what());
  };
  backend.Post([&] { backend.Click(*form->button); });
  backend.Post([&] { ran.push_back(2); });
  app.ProcessMessages();
  EXPECT_EQ(taken, std::vector<std::string>{"Access violation"});
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(backend.MessageBoxes().size(), 3u);
}

// A display that throws (a handler run while its box waited) has that exception shown next.
TEST_F(UiTest, AnExceptionFromTheDisplayIsShownInTurn) {
  int calls = 0;
  std::vector<std::string> taken;
  app.OnException = [&](TObject*, const std::exception& e) {
    taken.push_back(e.what());
    if (++calls == 1) throw Exception("while the box waited");
  };
  backend.Post([] { throw Exception("first"); });
  app.ProcessMessages();
  EXPECT_EQ(taken, (std::vector<std::string>{"first", "while the box waited"}));
}

TEST(NoApplicationTest, BoxesWithoutApplicationDoNothing) {
  ASSERT_EQ(Application, nullptr);
  ShowMessage("nobody sees this");
  EXPECT_EQ(MessageBoxA("x", "y", kMbOk), 0);
}

TEST_F(UiTest, TheApplicationIsReachableWhileItLives) {
  EXPECT_EQ(Application, &app);
  {
    HeadlessBackend other;
    TApplication inner(other);
    EXPECT_EQ(Application, &inner);
  }
  EXPECT_EQ(Application, &app);
}

}  // namespace
}  // namespace ui_test
