// HelpWindow: the usage hint, opened modal over the main window and closed
// by its "确定" zone or Esc.
#pragma once

#include "app/window_layer.h"

namespace dropshrink {

extern const WindowDefinition helpWindowDefinition;

void OnHelpWindowCreated();
void OnOkZoneReleased();

}  // namespace dropshrink
