// The skin objects of the two windows, one each per process.
#pragma once

#include <memory>

#include "skin/png_picture_box.h"
#include "skin/png_window.h"

namespace dropshrink {

// Skin of MainWindow.
extern std::unique_ptr<PngWindow> mainSkin;
// Picture child that covers MainWindow with the idle or the busy overlay.
extern std::unique_ptr<PngPictureBox> overlayPicture;
// Skin of HelpWindow; attached again each time the help window is created.
extern std::unique_ptr<PngWindow> helpSkin;

// Makes the three objects, bound to no window yet.
void CreateSkinObjects();

// Frees the module objects and texts at the normal end of the program. The
// windows are left alone: destroying a skin object does nothing to them.
void ExitCleanup();

}  // namespace dropshrink
