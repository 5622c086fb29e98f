// PNG through libpng, up to 8 bits per sample.
#pragma once

#include <cstdint>
#include <string>

#include <png.h>

#include "convert/file_utils.h"
#include "convert/image_reader.h"

namespace dropshrink {

class PngReader : public ImageReader {
 public:
  PngReader() = default;
  ~PngReader() override { Close(); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  int Open(const std::string& path, DecodedImage& image) override;
  int Read() override;
  void Close() override;

 private:
  // The read and info structures of one file; destroyed together.
  class PngState {
   public:
    PngState() = default;
    ~PngState() { Reset(); }
    PngState(const PngState&) = delete;
    PngState& operator=(const PngState&) = delete;

    bool Create();
    void Reset();
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

   private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
  };

  // The calls into libpng, each behind the jump buffer it arms; they keep
  // no local that has a destructor.
  bool ReadHeader();
  bool DecodeRows(png_bytep* rows);

  ScopedFile file_;
  PngState state_;
  png_uint_32 width_ = 0;
  png_uint_32 height_ = 0;
  int bitDepth_ = 0;
  int colourType_ = 0;
  int interlaceType_ = 0;
  int compressionType_ = 0;
  int filterType_ = 0;
  uint32_t imageBits_ = 0;
  int32_t paletteSize_ = 0;
  DecodedImage* target_ = nullptr;
  bool opened_ = false;
};

}  // namespace dropshrink
