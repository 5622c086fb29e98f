// MainWindow: the 400 x 100 strip that takes drops, with its "Help", "-" and
// "X" zones along the top edge.
#pragma once

#include "app/window_layer.h"

namespace dropshrink {

extern const WindowDefinition mainWindowDefinition;

void OnMainWindowCreated();
// Opens HelpWindow, modal; returns when it has gone.
void OnHelpZoneReleased();
void OnMinimizeZoneReleased();
void OnCloseZoneReleased();

}  // namespace dropshrink
