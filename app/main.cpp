// DropShrink.exe: one strip of a window that turns dropped pictures into
// JPEG files of quality 75.
#include <windows.h>

#include <cstdlib>

#include "app/main_window.h"
#include "app/skin_objects.h"
#include "app/window_layer.h"
#include "skin/image_loading.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace dropshrink;
  if (!StartWindowLayer()) {
    return 1;
  }
  CreateSkinObjects();
  std::atexit(ExitCleanup);
  // GDI+ must be running before the first window composes its picture.
  InitSkinToolkit();
  LoadWindow(AppWindow::Main, false);
  return RunMessageLoop();
}
