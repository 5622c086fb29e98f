#include "convert/decoded_image.h"

#include <cstring>
#include <limits>
#include <new>

namespace dropshrink {

int64_t DecodedImage::ByteSize(int32_t width, int32_t height, uint32_t bitsPerPixel) {
  if (width < 1 || height < 1) return -1;
  if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return -1;
  // Width times height fits in 62 bits; past int32 it is refused before the
  // depth can take the product out of 64.
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const int64_t count = int64_t{width} * height;
  if (count > kMax) return -1;
  const int64_t bytes = count * (bitsPerPixel / 8);
  return bytes > kMax ? -1 : bytes;
}

bool DecodedImage::Allocate(int32_t width, int32_t height, uint32_t bitsPerPixel,
                            int32_t paletteSize) {
  Release();
  int64_t bytes = ByteSize(width, height, bitsPerPixel);
  if (bytes < 0) return false;
  if (bitsPerPixel != 8) paletteSize = 0;
  if (paletteSize < 0) return false;
  if (!pixelStore_.Create(static_cast<uint32_t>(bytes))) return false;
  if (paletteSize > 0) {
    // Entries are left for the reader to fill; zero them so none is ever
    // read uninitialised.
    try {
      palette_.assign(static_cast<size_t>(paletteSize), PaletteEntry{0, 0, 0});
    } catch (const std::bad_alloc&) {
      Release();
      return false;
    }
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  paletteSize_ = paletteSize;
  pixels_ = pixelStore_.Data();
  return true;
}

void DecodedImage::Release() {
  pixelStore_.Release();
  std::vector<PaletteEntry>().swap(palette_);
  width_ = 0;
  height_ = 0;
  bitsPerPixel_ = 0;
  pixels_ = nullptr;
  paletteSize_ = 0;
}

int32_t DecodedImage::RowStride() const {
  return pixels_ ? static_cast<int32_t>(int64_t{width_} * bitsPerPixel_ / 8) : 0;
}

bool DecodedImage::CopyFrom(const DecodedImage& source) {
  if (&source == this) return source.width_ >= 1 && source.height_ >= 1;
  if (source.width_ < 1 || source.height_ < 1) return false;
  if (!Allocate(source.width_, source.height_, source.bitsPerPixel_, source.paletteSize_))
    return false;
  std::memcpy(pixels_, source.pixels_, pixelStore_.Size());
  Flush();
  return true;
}

bool DecodedImage::ConvertTo(DecodedImage& destination, uint32_t bitsPerPixel) const {
  if (width_ < 1 || height_ < 1) return false;
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return false;
  const bool grey = bitsPerPixel_ == 8 && paletteSize_ == 0;
  if ((bitsPerPixel == 24 && bitsPerPixel_ == 24) || (bitsPerPixel == 8 && grey))
    return destination.CopyFrom(*this);
  if (&destination == this || !destination.Allocate(width_, height_, bitsPerPixel, 0)) return false;

  const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  const uint8_t* in = pixels_;
  uint8_t* out = destination.pixels_;
  // Indices past the palette give black; nothing past it is read.
  static const PaletteEntry kBlack{0, 0, 0};
  const PaletteEntry* palette = palette_.data();
  const uint32_t entries = static_cast<uint32_t>(paletteSize_);
  auto entry = [&](uint8_t index) -> const PaletteEntry& {
    return index < entries ? palette[index] : kBlack;
  };

  if (bitsPerPixel == 24) {
    if (bitsPerPixel_ == 32) {
      for (size_t i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[1];
        out[1] = in[2];
        out[2] = in[3];
      }
    } else if (grey) {
      for (size_t i = 0; i < count; ++i, out += 3) out[0] = out[1] = out[2] = in[i];
    } else {
      for (size_t i = 0; i < count; ++i, out += 3) {
        const PaletteEntry& e = entry(in[i]);
        out[0] = e.red;
        out[1] = e.green;
        out[2] = e.blue;
      }
    }
  } else {
    if (bitsPerPixel_ == 32) {
      for (size_t i = 0; i < count; ++i, in += 4) out[i] = GreyLevel(in[1], in[2], in[3]);
    } else if (bitsPerPixel_ == 24) {
      for (size_t i = 0; i < count; ++i, in += 3) out[i] = GreyLevel(in[0], in[1], in[2]);
    } else {
      for (size_t i = 0; i < count; ++i) {
        const PaletteEntry& e = entry(in[i]);
        out[i] = GreyLevel(e.red, e.green, e.blue);
      }
    }
  }
  destination.Flush();
  return true;
}

}  // namespace dropshrink
