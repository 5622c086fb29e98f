// Helpers shared by the engine's tests: private temporary folders, files
// made by code, and a look at the engine's temporary pixel files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dropshrink {
namespace test {

// A fresh folder, removed with its contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  // Path() + separator + name.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Points the engine's temporary folder (TMPDIR, or TMP and TEMP on Win32) at
// a private folder for the life of the object, so tests can count the pixel
// files the engine leaves.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  const std::string& Path() const { return folder_.Path(); }
  // Names of the KVTCLASS*.tmp files in the folder.
  std::vector<std::string> PixelFiles() const;

 private:
  TempFolder folder_;
  std::string saved_[2];
  bool had_[2] = {false, false};
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool PathExists(const std::string& path);
std::vector<std::string> ListFolder(const std::string& folder);
bool MakeFolder(const std::string& path);

// Pixels of a test picture: RGB or grey rows, top first.
struct RawImage {
  int width = 0;
  int height = 0;
  int components = 3;  // 1, 3 or 4 (CMYK)
  std::vector<uint8_t> samples;
};

// A smooth picture with some detail, the same for the same arguments.
RawImage MakePattern(int width, int height, int components);

struct JpegOptions {
  int quality = 90;
  bool progressive = false;
};
// Writes `image` as a JPEG file with libjpeg.
bool WriteJpeg(const std::string& path, const RawImage& image, JpegOptions options = {});

// Decodes a JPEG file with libjpeg; components 0 on failure.
RawImage ReadJpeg(const std::string& path);

}  // namespace test
}  // namespace dropshrink
