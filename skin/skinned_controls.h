// Interaction of skinned buttons and text boxes inside a PngWindow, the
// custom-draw painting of buttons, and the shared tooltip window.
#pragma once

#include "skin/gdiplus_flat.h"

extern HWND toolTipWindow;

LRESULT CALLBACK ButtonProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TextBoxProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
void PaintButton(HWND control, HDC dc);
// Adds the control to the shared tooltip window, or changes its text when it
// was added before.
void SetToolTip(HWND control, const char* text, bool nearCursor = true);
