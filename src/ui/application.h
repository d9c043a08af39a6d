// The application object: owns the forms, runs the message loop, processes pending messages,
// shows exceptions and simple message boxes. One exists at a time, reachable as ui::Application.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "ui/backend.h"
#include "ui/component.h"

namespace ui {

class TForm;

class TApplication : public TComponent {
 public:
  // Becomes ui::Application. The title starts as the program's file name without folder and
  // extension ("FLASH" for C:\TOOLS\FLASH.EXE).
  explicit TApplication(Backend& backend);
  // Frees the forms while the back end still exists; ui::Application is again what it was before.
  ~TApplication() override;

  void Initialize() {}

  // Creates a form owned by the application and stores it in ref before its OnCreate runs, so
  // the handler can use the reference. The first form created is the main form.
  template <class T>
  void CreateForm(T*& ref) {
    T* form = new T(this);
    ref = form;
    if (mainForm_ == nullptr) mainForm_ = form;
    form->DoCreate();
  }

  TForm* MainForm() const { return mainForm_; }

  // Shows the main form and handles messages until the application is terminated (the main form
  // closed, Terminate). Returns at once without a main form. An exception that an event handler
  // lets escape goes to HandleException and the loop goes on with the next message: leaving the
  // loop would end the program while its threads may still be at work.
  void Run();
  // Handles the messages already waiting, then returns; stops early when the quit request arrives.
  // Exceptions from handlers are handled as in Run, so a handler waiting in here is not unwound.
  void ProcessMessages();
  // Asks the message loop to end; Terminated() turns true when the request is handled.
  void Terminate();
  bool Terminated() const { return terminated_; }

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // OnException when it is set, else ShowException.
  void HandleException(const std::exception& error);
  // The standard exception display: a modal box with the exception's message, the title as its
  // caption, an OK button and the stop sign.
  void ShowException(const std::exception& error);
  // Takes every exception that reaches HandleException instead of the standard display.
  std::function<void(TObject* sender, const std::exception& error)> OnException;

  // For ~TForm.
  void FormDestroyed(const TForm* form);

 private:
  // One message of the loop; an exception its handler lets escape is handled here.
  MessageResult HandleOneMessage(bool wait);
  void Handle(MessageResult result);

  Backend& backend_;
  TApplication* previous_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::string title_;
};

// The current application object, or null.
extern TApplication* Application;

// The program's file name without folder and extension.
std::string TitleFromModulePath(const std::string& path);

}  // namespace ui
