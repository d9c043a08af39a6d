// MessageBoxA flags and answers, written from the public Windows documentation so that portable
// code needs no Windows header (the Win32 back end checks them against the real ones).
#pragma once

#include <cstdint>

namespace ui {

inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr uint32_t kMbAbortRetryIgnore = 0x2;
inline constexpr uint32_t kMbYesNoCancel = 0x3;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbRetryCancel = 0x5;
inline constexpr uint32_t kMbTypeMask = 0xF;
inline constexpr uint32_t kMbIconHand = 0x10;  // the stop sign
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr uint32_t kMbIconAsterisk = 0x40;
inline constexpr uint32_t kMbDefButton2 = 0x100;
inline constexpr uint32_t kMbDefButton3 = 0x200;
inline constexpr uint32_t kMbDefMask = 0xF00;
inline constexpr uint32_t kMbTaskModal = 0x2000;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The answer of the box's default button (the first unless a kMbDefButtonN flag says otherwise).
int DefaultButtonAnswer(uint32_t flags);

}  // namespace ui
