// The engine's one in-memory picture: rows without gaps, top row first,
// pixels in a file-backed PixelStore.
#pragma once

#include <cstdint>
#include <vector>

#include "convert/pixel_store.h"

namespace dropshrink {

struct PaletteEntry {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// (306 R + 601 G + 117 B) >> 10: the weights sum to 1024.
inline uint8_t GreyLevel(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint8_t>((306u * red + 601u * green + 117u * blue) >> 10);
}

class DecodedImage {
 public:
  DecodedImage() = default;
  ~DecodedImage() { Release(); }
  DecodedImage(const DecodedImage&) = delete;
  DecodedImage& operator=(const DecodedImage&) = delete;

  // Depth 8 (grey when paletteSize is 0, indices otherwise), 24 (R, G, B) or
  // 32 (A, R, G, B). Releases the old content first; on failure the image is
  // empty. Images whose byte size does not fit in int32 are refused.
  bool Allocate(int32_t width, int32_t height, uint32_t bitsPerPixel, int32_t paletteSize);
  void Release();
  // Copies size and pixel bytes (not palette entries) of `source`.
  bool CopyFrom(const DecodedImage& source);
  // Fills `destination` with this image as 24-bit colour or 8-bit grey.
  // Palette indices at or past paletteSize give black.
  bool ConvertTo(DecodedImage& destination, uint32_t bitsPerPixel) const;
  int32_t RowStride() const;
  void Flush() { pixelStore_.Flush(); }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint32_t BitsPerPixel() const { return bitsPerPixel_; }
  int32_t PaletteSize() const { return paletteSize_; }
  uint8_t* Pixels() const { return pixels_; }
  uint8_t* Row(int32_t r) const { return pixels_ + static_cast<size_t>(r) * RowStride(); }
  PaletteEntry* Palette() { return palette_.data(); }
  const PaletteEntry* Palette() const { return palette_.data(); }
  const PixelStore& Store() const { return pixelStore_; }

  // Byte size of an image of that shape, or -1 when any step overflows int32
  // or the shape is not one Allocate takes.
  static int64_t ByteSize(int32_t width, int32_t height, uint32_t bitsPerPixel);

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t bitsPerPixel_ = 0;
  uint8_t* pixels_ = nullptr;
  int32_t paletteSize_ = 0;
  PixelStore pixelStore_;
  std::vector<PaletteEntry> palette_;
};

}  // namespace dropshrink
