#include "convert/readers/photocd_reader.h"

#include <cmath>
#include <cstring>

#include "convert/decoded_image.h"
#include "convert/pixel_store.h"

namespace dropshrink {

namespace {

struct Resolution {
  int32_t width;
  int32_t height;
  long offset;
};

constexpr Resolution kResolutions[] = {
    {192, 128, 8192},
    {384, 256, 47104},
    {768, 512, 196608},
};

uint8_t RoundAndClamp(double value) {
  const double rounded = std::floor(value + 0.5);
  if (rounded < 0) return 0;
  if (rounded > 255) return 255;
  return static_cast<uint8_t>(rounded);
}

}  // namespace

void PhotoCdToRgb(uint8_t y, uint8_t storedC1, uint8_t storedC2, uint8_t rgb[3]) {
  const double luma = 1.407488 * y;
  const int c1 = int{storedC1} - 156;
  const int c2 = int{storedC2} - 137;
  rgb[0] = RoundAndClamp(luma + 0.0000256 * c1 + 1.3230336 * c2);
  rgb[1] = RoundAndClamp(luma - 0.3954176 * c1 - 0.67392 * c2);
  rgb[2] = RoundAndClamp(luma + 2.0360448 * c1 + 0.0000256 * c2);
}

void PhotoCdReader::Close() {
  file_.Close();
  path_.clear();
  image_ = nullptr;
  opened_ = false;
  width_ = 0;
  height_ = 0;
  offset_ = 0;
}

int PhotoCdReader::Open(const std::string& path, DecodedImage& image, int resolution) {
  Close();
  file_.Reset(OpenForReading(path));
  if (!file_ || resolution < 0 || resolution > 2 || FileLength(file_.Get()) < kMinimumFileLength) {
    Close();
    return 0;
  }
  // Size alone would take any large file that the other readers declined
  // (a big bitmap, a 16-bit PNG, a video) for a pac and "decode" it into a
  // garbage picture reported as a success.
  char signature[sizeof kSignature - 1];
  if (std::fseek(file_.Get(), kSignatureOffset, SEEK_SET) != 0 ||
      std::fread(signature, 1, sizeof signature, file_.Get()) != sizeof signature ||
      std::memcmp(signature, kSignature, sizeof signature) != 0) {
    Close();
    return 0;
  }
  const Resolution& chosen = kResolutions[resolution];
  width_ = chosen.width;
  height_ = chosen.height;
  offset_ = chosen.offset;
  path_ = path;
  image_ = &image;
  opened_ = true;
  return 1;
}

int PhotoCdReader::Read() {
  const bool ok = opened_ && image_->Allocate(width_, height_, 24, 0) && DecodeRows();
  Close();
  return ok ? 1 : 0;
}

bool PhotoCdReader::DecodeRows() {
  const uint32_t width = static_cast<uint32_t>(width_);
  PixelStore evenLuma;
  PixelStore oddLuma;
  PixelStore chroma;
  if (!evenLuma.Create(width) || !oddLuma.Create(width) || !chroma.Create(width)) return false;
  FILE* file = file_.Get();
  if (std::fseek(file, offset_, SEEK_SET) != 0) return false;
  const uint8_t* c1 = chroma.Data();
  const uint8_t* c2 = c1 + width / 2;
  for (int32_t k = 0; k < height_; k += 2) {
    if (std::fread(evenLuma.Data(), 1, width, file) != width ||
        std::fread(oddLuma.Data(), 1, width, file) != width ||
        std::fread(chroma.Data(), 1, width, file) != width)
      return false;
    // Rows k and k + 1 share one chrominance block; pixels 2j and 2j + 1
    // share one pair of it.
    const PixelStore* lumas[2] = {&evenLuma, &oddLuma};
    for (int32_t r = 0; r < 2 && k + r < height_; ++r) {
      const uint8_t* luma = lumas[r]->Data();
      uint8_t* pixel = image_->Row(k + r);
      for (uint32_t x = 0; x < width; ++x, pixel += 3)
        PhotoCdToRgb(luma[x], c1[x / 2], c2[x / 2], pixel);
    }
  }
  return true;
}

}  // namespace dropshrink
