// Colours as the form designer stores them: a Windows COLORREF (0x00BBGGRR), or a system colour
// (the COLOR_ index with the top bit set) that the back end resolves on the running system.
#pragma once

#include <cstdint>

namespace ui {

using TColor = std::uint32_t;

inline constexpr TColor kSystemColorFlag = 0x80000000u;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clWindow = kSystemColorFlag | 5;       // COLOR_WINDOW
inline constexpr TColor clWindowText = kSystemColorFlag | 8;   // COLOR_WINDOWTEXT
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;     // COLOR_BTNFACE
inline constexpr TColor clBtnText = kSystemColorFlag | 18;     // COLOR_BTNTEXT

constexpr bool IsSystemColor(TColor color) { return (color & kSystemColorFlag) != 0; }
// The index for GetSysColor; only the low byte can be a valid index.
constexpr int SystemColorIndex(TColor color) { return static_cast<int>(color & 0xFF); }
// The COLORREF of a plain colour; stray high bits are dropped rather than passed to GDI.
constexpr std::uint32_t ColorRefOf(TColor color) { return color & 0x00FFFFFFu; }

}  // namespace ui
