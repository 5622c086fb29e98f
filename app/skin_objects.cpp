#include "app/skin_objects.h"

#include <string>

#include "app/batch.h"
#include "app/drop_handling.h"

namespace dropshrink {

std::unique_ptr<PngWindow> mainSkin;
std::unique_ptr<PngPictureBox> overlayPicture;
std::unique_ptr<PngWindow> helpSkin;

void CreateSkinObjects() {
  mainSkin = std::make_unique<PngWindow>();
  overlayPicture = std::make_unique<PngPictureBox>();
  helpSkin = std::make_unique<PngWindow>();
}

void ExitCleanup() {
  mainSkin.reset();
  overlayPicture.reset();
  std::string().swap(outputFolder);
  std::string().swap(pickerInitialFolder);
  helpSkin.reset();
}

}  // namespace dropshrink
