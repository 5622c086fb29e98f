#include "batch_test_support.h"

#include <cstdio>
#include <filesystem>

#include "app/batch_listing.h"
#include "convert/convert.h"
#include "convert/decoded_image.h"
#include "convert/file_utils.h"
#include "convert/jpeg_codec.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dropshrink {

TempFolder::TempFolder() {
  std::string root = SystemTempFolder();
  if (root.empty()) return;
  if (!EndsWithSeparator(root)) root += kPathSeparator;
#ifdef _WIN32
  for (int n = 0; n < 1000; ++n) {
    std::string candidate = root + "dropshrink-batch-" + std::to_string(GetCurrentProcessId()) +
                            "-" + std::to_string(n);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate + kPathSeparator;
      return;
    }
  }
#else
  std::string pattern = root + "dropshrink-batch-XXXXXX";
  if (mkdtemp(&pattern[0])) path_ = pattern + kPathSeparator;
#endif
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  // The root's own name is plain ASCII, so the wide-character removal finds
  // every file below it whatever the names' encoding.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
  return mkdir(path.c_str(), 0777) == 0;
#endif
}

bool WriteJpeg(const std::string& path, int32_t width, int32_t height) {
  DecodedImage image;
  if (!image.Allocate(width, height, 24, 0)) return false;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    for (int32_t x = 0; x < width * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
  }
  JpegCodec writer;
  return writer.Write(path, image, 90, true, true, 0) == 1;
}

bool WriteText(const std::string& path, const std::string& text) {
  ScopedFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (std::fwrite(text.data(), 1, text.size(), file.Get()) != text.size()) return false;
  return file.Close();
}

bool SetHidden(const std::string& path) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
#else
  // Hidden on POSIX is a leading dot: the caller names the file so.
  return FileExists(path);
#endif
}

bool SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  attributes = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                        : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesA(path.c_str(), attributes) != 0;
#else
  return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
}

std::set<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names = ListFolderFiles(folder);
  return std::set<std::string>(names.begin(), names.end());
}

ImageShape DecodeShape(const std::string& path) {
  DecodedImage image;
  ImageShape shape;
  if (DecodeImageFile(path, image) != kConverted) return shape;
  shape.width = image.Width();
  shape.bitsPerPixel = image.BitsPerPixel();
  return shape;
}

}  // namespace dropshrink
