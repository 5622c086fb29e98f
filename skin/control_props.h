// The window properties in which the toolkit keeps the state of skinned
// windows and controls. A property that is absent reads as 0.
#pragma once

#include <cstdint>

#include <windows.h>

namespace prop {
constexpr char Type[] = "PngControl_Type";
constexpr char BackType[] = "PngControl_BackType";
constexpr char BackImage[] = "PngControl_BackImage";
constexpr char NormalImage[] = "PngControl_NormalImage";
constexpr char OverlImage[] = "PngControl_OverlImage";
constexpr char DownImage[] = "PngControl_DownImage";
constexpr char DisableImage[] = "PngControl_DisableImage";
constexpr char DrawState[] = "Bexil_DrawState";
constexpr char BackColor[] = "PngControl_BackColor";
constexpr char BackAlpha[] = "PngControl_BackAlpha";
constexpr char OrderColor[] = "PngControl_OrderColor";
constexpr char OrderAlpha[] = "PngControl_OrderAlpha";
constexpr char TextColor[] = "PngControl_TextColor";
constexpr char WndProc[] = "PngControl_WndProc";
constexpr char ChildWndProc[] = "PngControl_ChildWndProc";
constexpr char CacheBitmap[] = "PngControl_CacheBitmap";
constexpr char Time[] = "PngControl_Time";
constexpr char ToolTips[] = "Bexil_ToolTips";
}  // namespace prop

// Kinds of skinned control ("PngControl_Type").
constexpr int kindPicture = 2;
constexpr int kindButton = 3;
constexpr int kindTextBox = 4;

// Button draw states ("Bexil_DrawState").
constexpr int stateNormal = 0;
constexpr int stateOver = 1;
constexpr int stateDown = 2;
constexpr int stateDisabled = 3;

// Integer properties hold 32-bit values, -1 included, in the handle slot.
inline int32_t GetPropInt(HWND window, const char* name) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(GetPropA(window, name)));
}
inline void SetPropInt(HWND window, const char* name, int32_t value) {
  SetPropA(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}
template <typename T>
T GetPropAs(HWND window, const char* name) {
  return reinterpret_cast<T>(GetPropA(window, name));
}
