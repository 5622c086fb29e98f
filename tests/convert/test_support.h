// Helpers shared by the engine's tests: private temporary folders, files
// made by code, and a look at the engine's temporary pixel files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dropshrink {

class DecodedImage;

namespace test {

using Bytes = std::vector<uint8_t>;

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

// A test with a private temporary folder for the engine's pixel files and a
// folder for its own files; it fails if the engine leaves a pixel file.
class EngineTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(temp_.PixelFiles().empty()); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  // Writes `bytes` into the test's folder; readers go by content, so the
  // name matters only to tests that keep several files.
  std::string Write(const Bytes& bytes, const std::string& name = "picture");

  ScopedTempDir temp_;
  TempFolder folder_;
};

// Every pixel byte of an allocated image, top row first.
Bytes PixelBytes(const DecodedImage& image);

#ifndef _WIN32
// True when `name` is a command on PATH: tests that compare with an outside
// tool skip, saying so, when it is missing.
bool HaveCommand(const char* name);
#endif

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
