#include "convert/readers/tiff_reader.h"

#include <cstring>
#include <new>

#include <tiffio.h>

#include "convert/decoded_image.h"
#include "convert/pixel_store.h"

namespace dropshrink {

namespace {

// Every file the earlier readers decline passes through TIFFOpen, so
// libtiff's complaints about them must go nowhere.
void IgnoreTiffMessage(const char*, const char*, va_list) {}

void SilenceLibtiff() {
  TIFFSetErrorHandler(IgnoreTiffMessage);
  TIFFSetWarningHandler(IgnoreTiffMessage);
}

}  // namespace

void TiffReader::TiffCloser::operator()(tiff* handle) const { TIFFClose(handle); }

void TiffReader::Close() {
  tiff_.reset();
  width_ = 0;
  height_ = 0;
  target_ = nullptr;
  opened_ = false;
}

int TiffReader::Open(const std::string& path, DecodedImage& image) {
  Close();
  SilenceLibtiff();
  // libtiff takes the path as bytes and opens it with the ANSI call on
  // Win32, as every other reader does.
  tiff_.reset(TIFFOpen(path.c_str(), "r"));
  if (!tiff_) return 0;
  uint32_t width = 0;
  uint32_t height = 0;
  TIFFGetField(tiff_.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff_.get(), TIFFTAG_IMAGELENGTH, &height);
  // The RGBA raster is sized as width x height x 4 bytes in 32 bits; a
  // picture beyond that is refused rather than read into a short store.
  if (width == 0 || height == 0 || uint64_t{width} * height * 4 > UINT32_MAX) {
    Close();
    return 0;
  }
  width_ = width;
  height_ = height;
  target_ = &image;
  opened_ = true;
  return 1;
}

int TiffReader::Read() {
  if (!opened_) {
    Close();
    return 0;
  }
  DecodedImage& image = *target_;
  const size_t rasterStride = size_t{width_} * 4;
  if (!image.Allocate(static_cast<int32_t>(width_), static_cast<int32_t>(height_), 24, 0)) {
    Close();
    return 0;
  }
  std::unique_ptr<uint8_t[]> swapRow(new (std::nothrow) uint8_t[rasterStride]);
  PixelStore raster;
  if (!swapRow || !raster.Create(width_ * height_ * 4) ||
      !TIFFReadRGBAImage(tiff_.get(), width_, height_, reinterpret_cast<uint32_t*>(raster.Data()),
                         0)) {
    Close();
    return 0;
  }

  // libtiff delivers the bottom row first.
  uint8_t* rows = raster.Data();
  for (uint32_t i = 0; i < height_ / 2; ++i) {
    uint8_t* upper = rows + i * rasterStride;
    uint8_t* lower = rows + (height_ - 1 - i) * rasterStride;
    std::memcpy(swapRow.get(), upper, rasterStride);
    std::memcpy(upper, lower, rasterStride);
    std::memcpy(lower, swapRow.get(), rasterStride);
  }

  // Each raster pixel is a packed ABGR word; its alpha is dropped without
  // compositing.
  for (uint32_t y = 0; y < height_; ++y) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(rows + y * rasterStride);
    uint8_t* out = image.Row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < width_; ++x, out += 3) {
      out[0] = static_cast<uint8_t>(TIFFGetR(in[x]));
      out[1] = static_cast<uint8_t>(TIFFGetG(in[x]));
      out[2] = static_cast<uint8_t>(TIFFGetB(in[x]));
    }
  }
  image.Flush();
  Close();
  return 1;
}

}  // namespace dropshrink
