// The small layer over Win32 that the desktop program's windows are built
// with: each window comes from a fixed definition with its zones and, for the
// main window, its drop object; handlers only ever see the operations below.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <string>

namespace dropshrink {

enum class AppWindow { Main = 0, Help = 1 };
constexpr size_t appWindowCount = 2;

// A transparent child window over something drawn in the background picture;
// it raises its event when a left-button release reaches it.
struct ZoneDefinition {
  const char* name;
  int left;
  int top;
  int width;
  int height;
  void (*onReleased)();
};

struct WindowDefinition {
  int width;
  int height;
  // Always on top when created.
  bool topmost;
  // Owned by the layer's invisible window, which keeps it off the taskbar.
  bool ownedByLayer;
  void (*onCreated)();
  const ZoneDefinition* zones;
  size_t zoneCount;
  // Handler of the drop object's FilesDropped event; null for a window
  // without a drop object.
  void (*onFilesDropped)(const std::string& dropText);
};

// OLE for the thread, the program's folder as the current directory, the
// invisible owner window and the window classes. Safe to call again.
bool StartWindowLayer();

// The window's handle; null while it does not exist.
HWND HandleOf(AppWindow window);

// The top-level tool window, never shown, that owns modal windows.
HWND LayerOwnerWindow();

void SetAlwaysOnTop(AppWindow window, bool on);

// Minimises the window when it is visible.
void Minimise(AppWindow window);

// Destroys the window once the calling handler has returned.
void QueueDestroy(AppWindow window);

// Creates the window and its zones, raises its created event and shows it.
// A modal load disables the program's other windows and returns only when
// the window is gone; they are enabled again whatever closes it.
HWND LoadWindow(AppWindow window, bool modal);

// Binds the window's drop object to the handle, once; the result is not
// looked at.
void RegisterDropObject(HWND handle);

// The layer's share of every message loop: Esc closes the window of the
// program that has the keyboard. True when the message was used up.
bool HandleLayerKeys(const MSG& message);

// Runs until the last window of the program is gone; the quit code.
int RunMessageLoop();

}  // namespace dropshrink
