#include "convert/readers/pcx_reader.h"

#include <cstring>
#include <new>
#include <vector>

#include "convert/decoded_image.h"
#include "convert/pixel_store.h"

namespace dropshrink {

namespace {

constexpr uint8_t kManufacturer = 10;

uint16_t Little16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Sized buffers come from the heap only while Read runs; a failed
// allocation is a failed read, never an exception out of the engine.
bool MakeBuffer(std::vector<uint8_t>& buffer, size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Reads the file's bytes from `offset` on into a fresh store of `length`
// bytes.
bool LoadStore(FILE* file, long offset, int64_t length, PixelStore& store) {
  if (length <= 0 || length > UINT32_MAX) return false;
  const uint32_t size = static_cast<uint32_t>(length);
  if (!store.Create(size)) return false;
  if (std::fseek(file, offset, SEEK_SET) != 0) return false;
  if (std::fread(store.Data(), 1, size, file) != size) return false;
  store.Flush();
  return true;
}

}  // namespace

const uint8_t* DecodePcxLine(uint8_t* destination, const uint8_t* source, const uint8_t* sourceEnd,
                             uint32_t count) {
  uint32_t n = 0;
  while (n < count) {
    if (source >= sourceEnd) return nullptr;
    const uint8_t b = *source++;
    if (b >= 192) {
      if (source >= sourceEnd) return nullptr;
      const uint8_t v = *source++;
      uint32_t k = b & 63u;
      if (k > count - n) k = count - n;
      std::memset(destination + n, v, k);
      n += k;
    } else {
      destination[n++] = b;
    }
  }
  return source;
}

void PcxReader::Close() {
  file_.Close();
  path_.clear();
  image_ = nullptr;
  opened_ = false;
  width_ = 0;
  height_ = 0;
  bits_ = 0;
  planes_ = 0;
  bytesPerLine_ = 0;
}

int PcxReader::Open(const std::string& path, DecodedImage& image) {
  Close();
  file_.Reset(OpenForReading(path));
  uint8_t header[kHeaderSize];
  if (!file_ || std::fseek(file_.Get(), 0, SEEK_SET) != 0 ||
      std::fread(header, 1, kHeaderSize, file_.Get()) != kHeaderSize ||
      header[0] != kManufacturer) {
    Close();
    return 0;
  }
  const uint16_t xmin = Little16(header + 4);
  const uint16_t ymin = Little16(header + 6);
  const uint16_t xmax = Little16(header + 8);
  const uint16_t ymax = Little16(header + 10);
  if (xmax == xmin || ymax == ymin) {
    Close();
    return 0;
  }
  const uint8_t bitsPerPlane = header[3];
  planes_ = header[65];
  bytesPerLine_ = Little16(header + 66);
  width_ = int32_t{xmax} - int32_t{xmin} + 1;
  height_ = int32_t{ymax} - int32_t{ymin} + 1;
  bits_ = uint32_t{planes_} * bitsPerPlane;

  // Only the two layouts that Read knows how to take apart are accepted:
  // a product of 8 or 24 made of 1-, 2- or 4-bit planes, or one 24-bit
  // plane, would be read as something it is not.
  const bool layoutKnown = bitsPerPlane == 8 && (planes_ == 1 || planes_ == 3);
  // Every pixel must come from inside its decoded line, and a colour line
  // must fit the line buffer of 6 bytes per pixel. A picture of no width is
  // left for Read to refuse.
  const bool lineFits = bytesPerLine_ >= width_ &&
                        (planes_ != 3 || width_ < 1 || int64_t{LineSize()} <= int64_t{width_} * 6);
  if (!layoutKnown || !lineFits) {
    Close();
    return 0;
  }
  path_ = path;
  image_ = &image;
  opened_ = true;
  return 1;
}

int PcxReader::Read() {
  if (!opened_) {
    Close();
    return 0;
  }
  const int64_t dataLength = int64_t{FileLength(file_.Get())} - kHeaderSize;
  const bool ok = bits_ == 8 ? ReadIndexed(dataLength) : ReadColour(dataLength);
  Close();
  return ok ? 1 : 0;
}

bool PcxReader::ReadIndexed(int64_t dataLength) {
  FILE* file = file_.Get();
  PixelStore data;
  const int64_t codeLength = dataLength - kPaletteBytes;
  if (codeLength <= 0) return false;
  if (!image_->Allocate(width_, height_, 8, 256)) return false;

  // The palette is the file's last 768 bytes; the marker byte before it is
  // not looked at, so a file without one lends its last bytes.
  uint8_t palette[kPaletteBytes];
  if (std::fseek(file, -static_cast<long>(kPaletteBytes), SEEK_END) != 0 ||
      std::fread(palette, 1, kPaletteBytes, file) != kPaletteBytes)
    return false;
  PaletteEntry* entries = image_->Palette();
  for (int i = 0; i < 256; ++i)
    entries[i] = PaletteEntry{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};

  if (!LoadStore(file, kHeaderSize, codeLength, data)) return false;
  std::vector<uint8_t> line;
  if (!MakeBuffer(line, LineSize())) return false;
  const uint8_t* codes = data.Data();
  const uint8_t* codesEnd = codes + data.Size();
  for (int32_t y = 0; y < height_; ++y) {
    codes = DecodePcxLine(line.data(), codes, codesEnd, LineSize());
    if (!codes) return false;
    std::memcpy(image_->Row(y), line.data(), static_cast<size_t>(width_));
  }
  return true;
}

bool PcxReader::ReadColour(int64_t dataLength) {
  PixelStore data;
  std::vector<uint8_t> line;
  if (dataLength <= 0 || !image_->Allocate(width_, height_, 24, 0) ||
      !MakeBuffer(line, static_cast<size_t>(width_) * 6) ||
      !LoadStore(file_.Get(), kHeaderSize, dataLength, data))
    return false;
  const uint8_t* codes = data.Data();
  const uint8_t* codesEnd = codes + data.Size();
  const uint8_t* red = line.data();
  const uint8_t* green = red + bytesPerLine_;
  const uint8_t* blue = green + bytesPerLine_;
  for (int32_t y = 0; y < height_; ++y) {
    codes = DecodePcxLine(line.data(), codes, codesEnd, LineSize());
    if (!codes) return false;
    uint8_t* pixel = image_->Row(y);
    for (int32_t x = 0; x < width_; ++x) {
      *pixel++ = red[x];
      *pixel++ = green[x];
      *pixel++ = blue[x];
    }
  }
  return true;
}

}  // namespace dropshrink
