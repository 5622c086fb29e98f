// Real files for the batch tests, named by byte strings in the platform's
// encoding (ANSI on Win32, UTF-8 elsewhere).
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace dropshrink {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, ending in the separator; empty when it could not be
  // made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

bool MakeFolder(const std::string& path);
// A width x height colour JPEG made by the engine's own writer.
bool WriteJpeg(const std::string& path, int32_t width, int32_t height);
bool WriteText(const std::string& path, const std::string& text);
bool SetHidden(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

// Names of the files (not folders) directly inside `folder`, which ends in
// the separator.
std::set<std::string> FileNames(const std::string& folder);

// Width and bits per pixel of the image at `path` as the engine decodes it;
// 0 and 0 when it does not decode.
struct ImageShape {
  int32_t width = 0;
  uint32_t bitsPerPixel = 0;
};
ImageShape DecodeShape(const std::string& path);

}  // namespace dropshrink
