#include "app/help_window.h"

#include "app/embedded_pictures.h"
#include "app/skin_objects.h"

namespace dropshrink {

namespace {

const ZoneDefinition helpZones[] = {
    {"\xCC\xE1\xCA\xBE\xC8\xB7\xB6\xA8", 190, 50, 50, 40, OnOkZoneReleased},  // 提示确定
};

}  // namespace

const WindowDefinition helpWindowDefinition = {
    461,
    100,
    false,
    true,
    OnHelpWindowCreated,
    helpZones,
    sizeof helpZones / sizeof helpZones[0],
    nullptr,
};

void OnHelpWindowCreated() {
  helpSkin->Attach(HandleOf(AppWindow::Help));
  helpSkin->SetBackImageFromBytes(HelpBackgroundPng.data, HelpBackgroundPng.size);
  // The help window is not always on top; it comes in front of the main
  // window only when that one lets go of its place.
  SetAlwaysOnTop(AppWindow::Main, false);
}

void OnOkZoneReleased() {
  SetAlwaysOnTop(AppWindow::Main, true);
  QueueDestroy(AppWindow::Help);
}

}  // namespace dropshrink
