// TIFF through libtiff's RGBA interface: whatever that interface decodes is
// read, first directory only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "convert/image_reader.h"

struct tiff;

namespace dropshrink {

class TiffReader : public ImageReader {
 public:
  TiffReader() = default;
  ~TiffReader() override { Close(); }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  int Open(const std::string& path, DecodedImage& image) override;
  int Read() override;
  void Close() override;

 private:
  struct TiffCloser {
    void operator()(tiff* handle) const;
  };

  std::unique_ptr<tiff, TiffCloser> tiff_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  DecodedImage* target_ = nullptr;
  bool opened_ = false;
};

}  // namespace dropshrink
