// Device-independent bitmaps: the Windows and the OS/2 header kinds, of which
// only uncompressed 24-bit pictures are decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/file_utils.h"
#include "convert/image_reader.h"

namespace dropshrink {

class BmpReader : public ImageReader {
 public:
  BmpReader() = default;
  ~BmpReader() override { Close(); }
  BmpReader(const BmpReader&) = delete;
  BmpReader& operator=(const BmpReader&) = delete;

  int Open(const std::string& path, DecodedImage& image) override;
  int Read() override;
  void Close() override;

 private:
  bool ParseHeader();

  ScopedFile file_;
  uint32_t pixelDataOffset_ = 0;
  std::vector<uint8_t> headerBlock_;
  bool os2Kind_ = false;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  bool bottomUp_ = false;
  uint32_t bitCount_ = 0;
  uint32_t compression_ = 0;
  DecodedImage* target_ = nullptr;
  bool opened_ = false;
};

}  // namespace dropshrink
