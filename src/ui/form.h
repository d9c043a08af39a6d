// The form: a top-level window with a title bar. Width and Height are the outer size, ClientWidth
// and ClientHeight the area inside the borders (the back end says how wide the borders are).
#pragma once

#include <cstdint>
#include <functional>

#include "ui/control.h"

namespace ui {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TBorderIcons = unsigned;

class TForm : public TWinControl {
 public:
  // Hidden until shown (the application shows its main form when it runs).
  explicit TForm(TComponent* owner);
  ~TForm() override;

  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  TRect ClientRect() const override { return {0, 0, ClientWidth(), ClientHeight()}; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);

  // Runs when the application creates the form, after its constructor (see CreateForm).
  TNotifyEvent OnCreate;
  // Asked before the form closes (title-bar close box, Close, the end of the Windows session).
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnClose;

  // Key presses anywhere on the form, before the focused control gets them.
  TShortCutEvent OnShortCut;
  // True when OnShortCut took the key.
  bool IsShortCut(unsigned virtualKey, TShiftState shift);
  // Asked when Windows wants to end the session; without a handler the form's CloseQuery answers.
  TCloseQueryEvent OnQueryEndSession;
  bool QueryEndSession();
  // Windows' power events (WM_POWERBROADCAST, the event in wParam). For the suspend query the
  // handler sets deny to refuse it; other events only inform. Without a handler nothing is denied.
  std::function<void(TObject* sender, uint32_t event, bool& deny)> OnPowerBroadcast;
  bool PowerBroadcast(uint32_t event);
  // The shell asks the foreground window before it starts AutoPlay for an inserted disc (the
  // registered "QueryCancelAutoPlay" message); true cancels AutoPlay. Without a handler: false.
  TCloseQueryEvent OnQueryCancelAutoPlay;
  bool QueryCancelAutoPlay();
  // A reason shown by the system while it holds back the end of the session (empty: none).
  void SetShutdownBlockReason(const std::string& reason);
  // OnCloseQuery's answer: true when the form may close.
  bool CloseQuery();
  // Closes the form unless OnCloseQuery refuses: hides it, and for the main form ends the
  // application's message loop. The form itself lives on until its owner frees it.
  void Close();
  void DoCreate();

 private:
  FrameSize Frame() const;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
};

}  // namespace ui
