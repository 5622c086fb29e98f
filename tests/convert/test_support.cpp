#include "convert/test_support.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <jpeglib.h>

#include "convert/decoded_image.h"
#include "convert/file_utils.h"

namespace dropshrink {
namespace test {

namespace {

#ifdef _WIN32
const char* const kTempVariables[] = {"TMP", "TEMP"};
#else
const char* const kTempVariables[] = {"TMPDIR"};
#endif
constexpr int kTempVariableCount = sizeof kTempVariables / sizeof kTempVariables[0];

void RemoveTree(const std::string& path) {
  for (const std::string& name : ListFolder(path)) {
    std::string child = path + kPathSeparator + name;
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(child.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(child);
    } else {
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(child.c_str());
    }
#else
    struct stat st;
    if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      RemoveTree(child);
    } else {
      unlink(child.c_str());
    }
#endif
  }
#ifdef _WIN32
  RemoveDirectoryA(path.c_str());
#else
  rmdir(path.c_str());
#endif
}

struct ErrorJump {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

}  // namespace

TempFolder::TempFolder() {
#ifdef _WIN32
  char base[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, base);
  for (unsigned i = GetTickCount() ^ GetCurrentProcessId();; ++i) {
    std::string candidate = std::string(base, n) + "dstest" + std::to_string(i);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      break;
    }
  }
#else
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/dstest.XXXXXX";
  if (mkdtemp(&pattern[0])) path_ = pattern;
#endif
}

TempFolder::~TempFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

std::string TempFolder::File(const std::string& name) const {
  return path_ + kPathSeparator + name;
}

ScopedTempDir::ScopedTempDir() {
  for (int i = 0; i < kTempVariableCount; ++i) {
    const char* value = std::getenv(kTempVariables[i]);
    had_[i] = value != nullptr;
    if (value) saved_[i] = value;
#ifdef _WIN32
    SetEnvironmentVariableA(kTempVariables[i], folder_.Path().c_str());
    _putenv_s(kTempVariables[i], folder_.Path().c_str());
#else
    setenv(kTempVariables[i], folder_.Path().c_str(), 1);
#endif
  }
}

ScopedTempDir::~ScopedTempDir() {
  for (int i = 0; i < kTempVariableCount; ++i) {
#ifdef _WIN32
    SetEnvironmentVariableA(kTempVariables[i], had_[i] ? saved_[i].c_str() : nullptr);
    _putenv_s(kTempVariables[i], had_[i] ? saved_[i].c_str() : "");
#else
    if (had_[i])
      setenv(kTempVariables[i], saved_[i].c_str(), 1);
    else
      unsetenv(kTempVariables[i]);
#endif
  }
}

std::vector<std::string> ScopedTempDir::PixelFiles() const {
  std::vector<std::string> found;
  for (const std::string& name : ListFolder(Path()))
    if (name.compare(0, 8, "KVTCLASS") == 0) found.push_back(name);
  return found;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  ScopedFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.Get())) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  ScopedFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.Get()) != bytes.size())
    return false;
  return file.Close();
}

bool PathExists(const std::string& path) {
#ifdef _WIN32
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
#endif
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
#else
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
#endif
  return names;
}

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
  return mkdir(path.c_str(), 0755) == 0;
#endif
}

std::string EngineTest::Write(const Bytes& bytes, const std::string& name) {
  const std::string path = folder_.File(name);
  EXPECT_TRUE(WriteFileBytes(path, bytes)) << path;
  return path;
}

#ifndef _WIN32
bool HaveCommand(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}
#endif

Bytes PixelBytes(const DecodedImage& image) {
  return Bytes(image.Pixels(), image.Pixels() + size_t{image.Store().Size()});
}

RawImage MakePattern(int width, int height, int components) {
  RawImage image;
  image.width = width;
  image.height = height;
  image.components = components;
  image.samples.resize(static_cast<size_t>(width) * height * components);
  uint8_t* p = image.samples.data();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        int v = (x * (3 + c) + y * (5 - c) + ((x / 7 + y / 5) % 3) * 40) & 0xFF;
        *p++ = static_cast<uint8_t>(v);
      }
    }
  }
  return image;
}

bool WriteJpeg(const std::string& path, const RawImage& image, JpegOptions options) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct info;
  ErrorJump errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnError;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = image.components;
  info.in_color_space = image.components == 1   ? JCS_GRAYSCALE
                        : image.components == 4 ? JCS_CMYK
                                                : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(image.width) * image.components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(image.samples.data()) + info.next_scanline * stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

RawImage ReadJpeg(const std::string& path) {
  RawImage image;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return image;
  jpeg_decompress_struct info;
  ErrorJump errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnError;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    image.components = 0;
    image.samples.clear();
    return image;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.components = info.output_components;
  const size_t stride = static_cast<size_t>(image.width) * image.components;
  image.samples.resize(stride * image.height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.samples.data() + info.output_scanline * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return image;
}

}  // namespace test
}  // namespace dropshrink
