#include "convert/readers/png_reader.h"

#include <csetjmp>
#include <memory>
#include <new>

#include "convert/decoded_image.h"

namespace dropshrink {

namespace {

// libpng's errors end the running operation through the jump buffer that
// operation armed; the message is not wanted.
[[noreturn]] void JumpOnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings (a bad ancillary chunk, palette indices past the PLTE count) are
// not failures, and a desktop program has nowhere to print them.
void IgnorePngWarning(png_structp, png_const_charp) {}

void ReadFromFile(png_structp png, png_bytep data, size_t length) {
  FILE* file = static_cast<FILE*>(png_get_io_ptr(png));
  if (length != 0 && std::fread(data, length, 1, file) != 1)
    png_error(png, "reading png image error");
}

constexpr double kScreenGamma = 2.2;
constexpr double kSrgbFileGamma = 0.45455;
constexpr int kMaxPaletteEntries = 256;

}  // namespace

bool PngReader::PngState::Create() {
  Reset();
  // The version string is the one this program was compiled against: libpng
  // refuses a read structure for another minor version.
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnPngError, IgnorePngWarning);
  if (!png_) return false;
  info_ = png_create_info_struct(png_);
  return info_ != nullptr;
}

void PngReader::PngState::Reset() {
  if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  png_ = nullptr;
  info_ = nullptr;
}

void PngReader::Close() {
  state_.Reset();
  file_.Close();
  width_ = 0;
  height_ = 0;
  bitDepth_ = 0;
  colourType_ = 0;
  interlaceType_ = 0;
  compressionType_ = 0;
  filterType_ = 0;
  imageBits_ = 0;
  paletteSize_ = 0;
  target_ = nullptr;
  opened_ = false;
}

int PngReader::Open(const std::string& path, DecodedImage& image) {
  Close();
  file_.Reset(OpenForReading(path));
  if (!file_ || std::fseek(file_.Get(), 0, SEEK_SET) != 0 || !state_.Create() || !ReadHeader() ||
      bitDepth_ > 8) {
    Close();
    return 0;
  }
  png_structp png = state_.png();
  png_set_packing(png);
  if (colourType_ == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int entries = 0;
    // Without entries the indices would be taken for grey levels.
    if (!png_get_PLTE(png, state_.info(), &palette, &entries) || entries < 1) {
      Close();
      return 0;
    }
    imageBits_ = 8;
    paletteSize_ = entries;
  } else if (colourType_ & PNG_COLOR_MASK_COLOR) {
    imageBits_ = (colourType_ & PNG_COLOR_MASK_ALPHA) ? 32 : 24;
  } else {
    imageBits_ = 8;
    if (bitDepth_ < 8) png_set_expand(png);
    // The image holds one grey byte per pixel. Grey with alpha, and low-depth
    // grey whose tRNS chunk the expansion turns into alpha, would otherwise
    // come out as two bytes per pixel.
    if ((colourType_ & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, state_.info(), PNG_INFO_tRNS))
      png_set_strip_alpha(png);
  }
  target_ = &image;
  opened_ = true;
  return 1;
}

bool PngReader::ReadHeader() {
  png_structp png = state_.png();
  png_infop info = state_.info();
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, file_.Get(), ReadFromFile);
  png_read_info(png, info);
  png_get_IHDR(png, info, &width_, &height_, &bitDepth_, &colourType_, &interlaceType_,
               &compressionType_, &filterType_);
  return true;
}

int PngReader::Read() {
  if (!opened_ || width_ > INT32_MAX || height_ > INT32_MAX) {
    Close();
    return 0;
  }
  DecodedImage& image = *target_;
  if (!image.Allocate(static_cast<int32_t>(width_), static_cast<int32_t>(height_), imageBits_,
                      paletteSize_)) {
    Close();
    return 0;
  }
  if (colourType_ == PNG_COLOR_TYPE_PALETTE) {
    // Taken before any gamma set-up, so the colours are those of the file.
    png_colorp palette = nullptr;
    int entries = 0;
    png_get_PLTE(state_.png(), state_.info(), &palette, &entries);
    if (entries > kMaxPaletteEntries || entries != image.PaletteSize()) {
      Close();
      return 0;
    }
    for (int i = 0; i < entries; ++i)
      image.Palette()[i] = PaletteEntry{palette[i].red, palette[i].green, palette[i].blue};
  }
  std::unique_ptr<png_bytep[]> rows(new (std::nothrow) png_bytep[height_]);
  if (!rows) {
    Close();
    return 0;
  }
  for (png_uint_32 r = 0; r < height_; ++r) rows[r] = image.Row(static_cast<int32_t>(r));
  const bool decoded = DecodeRows(rows.get());
  image.Flush();
  Close();
  return decoded ? 1 : 0;
}

bool PngReader::DecodeRows(png_bytep* rows) {
  png_structp png = state_.png();
  png_infop info = state_.info();
  if (setjmp(png_jmpbuf(png))) return false;

  double fileGamma = kSrgbFileGamma;
  int intent = 0;
  if (png_get_sRGB(png, info, &intent))
    png_set_gamma(png, kScreenGamma, kSrgbFileGamma);
  else if (png_get_gAMA(png, info, &fileGamma))
    png_set_gamma(png, kScreenGamma, fileGamma);
  else
    png_set_gamma(png, kScreenGamma, kSrgbFileGamma);
  png_set_swap_alpha(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  // The rows were laid out from the header; libpng must fill exactly that
  // much of each, never more.
  if (png_get_rowbytes(png, info) != static_cast<size_t>(target_->RowStride())) return false;

  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 r = 0; r < height_; ++r) png_read_rows(png, rows + r, nullptr, 1);
  png_read_end(png, info);
  return true;
}

}  // namespace dropshrink
