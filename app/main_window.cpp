#include "app/main_window.h"

#include "app/drop_handling.h"
#include "app/embedded_pictures.h"
#include "app/skin_objects.h"

namespace dropshrink {

namespace {

// The zones lie over what the background picture draws: "Help", "-", "X".
const ZoneDefinition mainZones[] = {
    {"\xB0\xEF\xD6\xFA", 0, 0, 80, 20, OnHelpZoneReleased},                // 帮助
    {"\xD7\xEE\xD0\xA1\xBB\xAF", 348, 0, 18, 20, OnMinimizeZoneReleased},  // 最小化
    {"\xB9\xD8\xB1\xD5", 370, 0, 18, 20, OnCloseZoneReleased},             // 关闭
};

}  // namespace

const WindowDefinition mainWindowDefinition = {
    400,
    100,
    true,
    false,
    OnMainWindowCreated,
    mainZones,
    sizeof mainZones / sizeof mainZones[0],
    OnFilesDropped,
};

void OnMainWindowCreated() {
  mainSkin->Attach(HandleOf(AppWindow::Main));
  mainSkin->SetBackImageFromBytes(MainBackgroundPng.data, MainBackgroundPng.size);
  overlayPicture->Create(mainSkin->GetHandle(), 0, 0, 400, 100);
  overlayPicture->SetImageFromBytes(IdleOverlayPng.data, IdleOverlayPng.size);
  mainSkin->Refresh();
  RegisterDropObject(mainSkin->GetHandle());
}

void OnHelpZoneReleased() {
  LoadWindow(AppWindow::Help, true);
  // Esc closes the help window without its OK handler; the main window
  // gets its place above other windows back however the help went.
  SetAlwaysOnTop(AppWindow::Main, true);
}

void OnMinimizeZoneReleased() { Minimise(AppWindow::Main); }

void OnCloseZoneReleased() { QueueDestroy(AppWindow::Main); }

}  // namespace dropshrink
