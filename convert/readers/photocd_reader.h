// Photo CD image pacs: one of the three uncompressed YCC images at fixed
// offsets, converted to 24-bit RGB. The decoder chain asks for the 768 x 512
// Base image.
#pragma once

#include <cstdint>
#include <string>

#include "convert/file_utils.h"
#include "convert/image_reader.h"

namespace dropshrink {

// One pixel's luminance and its pair's stored chrominance bytes as red,
// green, blue: the pac's own YCC formula, rounded to nearest and clamped.
void PhotoCdToRgb(uint8_t y, uint8_t storedC1, uint8_t storedC2, uint8_t rgb[3]);

class PhotoCdReader : public ImageReader {
 public:
  static constexpr uint32_t kMinimumFileLength = 1048576;
  // The image pac's information header starts with these bytes.
  static constexpr long kSignatureOffset = 2048;
  static constexpr char kSignature[] = "PCD_";
  static constexpr int kBaseResolution = 2;

  PhotoCdReader() = default;
  ~PhotoCdReader() override { Close(); }
  PhotoCdReader(const PhotoCdReader&) = delete;
  PhotoCdReader& operator=(const PhotoCdReader&) = delete;

  // The chain's form: the Base image.
  int Open(const std::string& path, DecodedImage& image) override {
    return Open(path, image, kBaseResolution);
  }
  // `resolution` 0 (192 x 128), 1 (384 x 256) or 2 (768 x 512).
  int Open(const std::string& path, DecodedImage& image, int resolution);
  int Read() override;
  void Close() override;

 private:
  bool DecodeRows();

  ScopedFile file_;
  std::string path_;
  DecodedImage* image_ = nullptr;
  bool opened_ = false;
  int32_t width_ = 0;
  int32_t height_ = 0;
  long offset_ = 0;
};

}  // namespace dropshrink
