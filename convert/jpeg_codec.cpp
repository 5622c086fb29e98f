#include "convert/jpeg_codec.h"

#include <csetjmp>
#include <cstring>

#include "convert/decoded_image.h"

namespace dropshrink {

namespace {

// A libjpeg error manager followed by the jump buffer that its error_exit
// returns through. Each operation that calls libjpeg arms its own trap; the
// functions that call setjmp keep only trivially destructible locals, so the
// jump skips no destructor.
struct JpegErrorTrap {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

[[noreturn]] void TrapErrorExit(j_common_ptr info) {
  JpegErrorTrap* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
  longjmp(trap->jump, 1);
}

// The message of a fatal error goes nowhere; warnings keep libjpeg's own
// handling, which counts them and carries on.
void SilentOutputMessage(j_common_ptr) {}

void ArmTrap(JpegErrorTrap* trap, j_common_ptr object) {
  object->err = jpeg_std_error(&trap->manager);
  trap->manager.error_exit = TrapErrorExit;
  trap->manager.output_message = SilentOutputMessage;
}

}  // namespace

JpegCodec::JpegCodec() {
  std::memset(&decompressor_, 0, sizeof decompressor_);
  std::memset(&compressor_, 0, sizeof compressor_);
  jpeg_std_error(&restingErrors_);
  restingErrors_.output_message = SilentOutputMessage;
}

// Between operations, and while an object is destroyed, libjpeg's error
// manager must not be a trap in a frame that has returned.
void JpegCodec::RestErrors(j_common_ptr object) { object->err = &restingErrors_; }

void JpegCodec::Close() {
  if (decompressorCreated_) {
    RestErrors(reinterpret_cast<j_common_ptr>(&decompressor_));
    jpeg_destroy_decompress(&decompressor_);
  }
  if (compressorCreated_) {
    RestErrors(reinterpret_cast<j_common_ptr>(&compressor_));
    jpeg_destroy_compress(&compressor_);
  }
  decompressorCreated_ = false;
  compressorCreated_ = false;
  file_.Close();
  width_ = 0;
  height_ = 0;
  depth_ = 0;
  image_ = nullptr;
}

int JpegCodec::Open(const std::string& path, DecodedImage& image) {
  Close();
  file_.Reset(OpenForReading(path));
  if (!file_) return 0;
  unsigned char marker[2];
  if (std::fread(marker, 1, 2, file_.Get()) != 2 || marker[0] != 0xFF || marker[1] != 0xD8 ||
      std::fseek(file_.Get(), 0, SEEK_SET) != 0 || !StartDecompress()) {
    Close();
    return 0;
  }
  const int components = decompressor_.out_color_components;
  if (decompressor_.output_width < 1 || decompressor_.output_height < 1 ||
      decompressor_.output_width > 0x7FFFFFFFu || decompressor_.output_height > 0x7FFFFFFFu ||
      (components != 1 && components != 3)) {
    Close();
    return 0;
  }
  width_ = static_cast<int32_t>(decompressor_.output_width);
  height_ = static_cast<int32_t>(decompressor_.output_height);
  depth_ = components == 3 ? 24 : 8;
  image_ = &image;
  return 1;
}

bool JpegCodec::StartDecompress() {
  JpegErrorTrap trap;
  ArmTrap(&trap, reinterpret_cast<j_common_ptr>(&decompressor_));
  if (setjmp(trap.jump)) {
    // The trap dies with this frame: the caller destroys the object at once.
    return false;
  }
  decompressorCreated_ = true;
  jpeg_create_decompress(&decompressor_);
  jpeg_stdio_src(&decompressor_, file_.Get());
  jpeg_read_header(&decompressor_, TRUE);
  jpeg_start_decompress(&decompressor_);
  RestErrors(reinterpret_cast<j_common_ptr>(&decompressor_));
  return true;
}

int JpegCodec::Read() {
  if (!image_ || !decompressorCreated_) {
    Close();
    return 0;
  }
  const bool ok =
      image_->Allocate(width_, height_, static_cast<uint32_t>(depth_), 0) && DecodeRows();
  Close();
  return ok ? 1 : 0;
}

bool JpegCodec::DecodeRows() {
  JpegErrorTrap trap;
  ArmTrap(&trap, reinterpret_cast<j_common_ptr>(&decompressor_));
  if (setjmp(trap.jump)) return false;
  DecodedImage* image = image_;
  while (decompressor_.output_scanline < decompressor_.output_height) {
    JSAMPROW row = image->Row(static_cast<int32_t>(decompressor_.output_scanline));
    if (jpeg_read_scanlines(&decompressor_, &row, 1) != 1) break;
  }
  RestErrors(reinterpret_cast<j_common_ptr>(&decompressor_));
  return true;
}

int JpegCodec::Write(const std::string& targetPath, const DecodedImage& image, int32_t quality,
                     bool colour, bool optimizeCoding, int32_t smoothing) {
  Close();
  if (quality < 1 || quality > 100 || image.Width() < 1 || image.Height() < 1 || smoothing < 0 ||
      smoothing > 100)
    return 0;

  // Rows of the depth libjpeg is fed: the image itself when it already has
  // it, otherwise a converted copy.
  DecodedImage scratch;
  const DecodedImage* rows = &image;
  if (colour ? image.BitsPerPixel() != 24
             : !(image.BitsPerPixel() == 8 && image.PaletteSize() == 0)) {
    if (!image.ConvertTo(scratch, colour ? 24 : 8)) return 0;
    rows = &scratch;
  }

  std::string tempPath;
  file_.Reset(CreateSiblingTempFile(targetPath, &tempPath));
  if (!file_) return 0;
  bool ok = Compress(*rows, quality, colour, optimizeCoding, smoothing);
  Close();
  if (ok) ok = ReplaceFileWith(tempPath, targetPath);
  if (!ok) DeleteIfExists(tempPath);
  return ok ? 1 : 0;
}

bool JpegCodec::Compress(const DecodedImage& rows, int32_t quality, bool colour,
                         bool optimizeCoding, int32_t smoothing) {
  JpegErrorTrap trap;
  ArmTrap(&trap, reinterpret_cast<j_common_ptr>(&compressor_));
  if (setjmp(trap.jump)) return false;
  compressorCreated_ = true;
  jpeg_create_compress(&compressor_);
  jpeg_stdio_dest(&compressor_, file_.Get());
  compressor_.image_width = static_cast<JDIMENSION>(rows.Width());
  compressor_.image_height = static_cast<JDIMENSION>(rows.Height());
  compressor_.input_components = colour ? 3 : 1;
  compressor_.in_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&compressor_);
  compressor_.optimize_coding = optimizeCoding ? TRUE : FALSE;
  compressor_.smoothing_factor = smoothing;
  jpeg_set_quality(&compressor_, quality, TRUE);
  jpeg_start_compress(&compressor_, TRUE);
  while (compressor_.next_scanline < compressor_.image_height) {
    JSAMPROW row = rows.Row(static_cast<int32_t>(compressor_.next_scanline));
    jpeg_write_scanlines(&compressor_, &row, 1);
  }
  jpeg_finish_compress(&compressor_);
  RestErrors(reinterpret_cast<j_common_ptr>(&compressor_));
  // The data left in the stream's buffer must reach the file too.
  FILE* file = file_.Get();
  bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  return flushed && file_.Close();
}

}  // namespace dropshrink
