// decode_dump: decodes one file with the engine's decoder chain, turns it to
// 24-bit colour as the JPEG writer would, and writes it as a binary PPM
// and/or compares it with a reference PPM or PGM from another decoder.
//
//   decode_dump FILE [-o OUT.ppm] [-r REFERENCE] [-t TOLERANCE]
//
// Prints one line. Exit codes: 0 decoded (and, with -r, every sample within
// TOLERANCE of the reference), 1 decoded but different from the reference,
// 2 usage or reference trouble, 3 the chain did not decode the file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/decoded_image.h"

namespace {

using dropshrink::DecodedImage;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// Skips blanks and comments between the fields of a PNM header.
bool ReadHeaderNumber(FILE* file, int* value) {
  int c = std::fgetc(file);
  for (;;) {
    if (c == '#') {
      while (c != '\n' && c != EOF) c = std::fgetc(file);
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      c = std::fgetc(file);
    } else {
      break;
    }
  }
  if (c < '0' || c > '9') return false;
  long v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + (c - '0');
    if (v > 1 << 24) return false;
    c = std::fgetc(file);
  }
  *value = static_cast<int>(v);
  return true;  // the one blank after the last field is consumed
}

// 8-bit P6 as it is, 8-bit P5 widened to three equal samples.
bool ReadPnm(const char* path, Picture* picture) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char magic[2] = {0, 0};
  int maxValue = 0;
  bool ok = std::fread(magic, 1, 2, file) == 2 && magic[0] == 'P' &&
            (magic[1] == '5' || magic[1] == '6') && ReadHeaderNumber(file, &picture->width) &&
            ReadHeaderNumber(file, &picture->height) && ReadHeaderNumber(file, &maxValue) &&
            maxValue == 255 && picture->width > 0 && picture->height > 0;
  if (ok) {
    const size_t pixels = static_cast<size_t>(picture->width) * picture->height;
    const size_t channels = magic[1] == '6' ? 3 : 1;
    std::vector<unsigned char> samples(pixels * channels);
    ok = std::fread(samples.data(), 1, samples.size(), file) == samples.size();
    if (channels == 3) {
      picture->rgb.swap(samples);
    } else {
      picture->rgb.resize(pixels * 3);
      for (size_t i = 0; i < pixels; ++i)
        picture->rgb[3 * i] = picture->rgb[3 * i + 1] = picture->rgb[3 * i + 2] = samples[i];
    }
  }
  std::fclose(file);
  return ok;
}

bool WritePpm(const char* path, const DecodedImage& image) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", image.Width(), image.Height());
  const size_t bytes = static_cast<size_t>(image.RowStride()) * image.Height();
  bool ok = std::fwrite(image.Pixels(), 1, bytes, file) == bytes;
  return std::fclose(file) == 0 && ok;
}

int Usage() {
  std::fputs("usage: decode_dump FILE [-o OUT.ppm] [-r REFERENCE] [-t TOLERANCE]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* source = argv[1];
  const char* output = nullptr;
  const char* reference = nullptr;
  int tolerance = 0;
  for (int i = 2; i < argc; ++i) {
    if (i + 1 >= argc) return Usage();
    if (!std::strcmp(argv[i], "-o")) {
      output = argv[++i];
    } else if (!std::strcmp(argv[i], "-r")) {
      reference = argv[++i];
    } else if (!std::strcmp(argv[i], "-t")) {
      tolerance = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }

  DecodedImage decoded, rgb;
  const int32_t result = dropshrink::DecodeImageFile(source, decoded);
  if (result != dropshrink::kConverted) {
    std::printf("result %d\n", result);
    return 3;
  }
  if (!decoded.ConvertTo(rgb, 24)) {
    std::printf("cannot convert to 24 bits\n");
    return 2;
  }
  if (output && !WritePpm(output, rgb)) {
    std::printf("cannot write %s\n", output);
    return 2;
  }
  if (!reference) {
    std::printf("decoded %dx%d, %u bits\n", decoded.Width(), decoded.Height(),
                decoded.BitsPerPixel());
    return 0;
  }
  Picture expected;
  if (!ReadPnm(reference, &expected)) {
    std::printf("cannot read reference %s\n", reference);
    return 2;
  }
  if (expected.width != rgb.Width() || expected.height != rgb.Height()) {
    std::printf("size %dx%d, reference %dx%d\n", rgb.Width(), rgb.Height(), expected.width,
                expected.height);
    return 1;
  }
  const unsigned char* ours = rgb.Pixels();
  int worst = 0;
  size_t worstAt = 0, differing = 0;
  for (size_t i = 0; i < expected.rgb.size(); ++i) {
    const int d = std::abs(static_cast<int>(ours[i]) - expected.rgb[i]);
    if (d > tolerance) ++differing;
    if (d > worst) {
      worst = d;
      worstAt = i;
    }
  }
  if (differing) {
    const size_t pixel = worstAt / 3;
    std::printf("%zu samples differ by more than %d; worst %d at (%zu, %zu) channel %zu\n",
                differing, tolerance, worst, pixel % rgb.Width(), pixel / rgb.Width(), worstAt % 3);
    return 1;
  }
  std::printf("equal%s\n", worst ? " within tolerance" : "");
  return 0;
}
