// File utilities shared by the pixel store, the decoder chain and the readers.
// Paths are byte strings: the ANSI code page on Win32, UTF-8 on POSIX.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace dropshrink {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// True when a directory search for `path` finds an entry: folders count, and
// so does a wildcard pattern that matches something.
bool FileExists(const std::string& path);

// True when `path`, with one trailing separator removed, names a folder.
bool IsDirectory(const std::string& path);

// True when the file did not exist or was deleted.
bool DeleteIfExists(const std::string& path);

// True when the last character of `path` (a whole double-byte character in
// the ANSI code page) is the path separator.
bool EndsWithSeparator(const std::string& path);

// The system's temporary folder: GetTempPathA on Win32, $TMPDIR or /tmp
// elsewhere. Empty when it cannot be had.
std::string SystemTempFolder();

// folder + prefix + n + ".tmp" for the lowest n >= *next whose name is free;
// `folder` empty means the system's temporary folder. On success *next is the
// number used. Empty when the folder is missing or every name is taken.
std::string MakeTempFileName(const std::string& folder, const std::string& prefix,
                             uint32_t* next = nullptr);

// Length of an open stream in bytes; the stream is left at its start.
// A null stream or a failed seek gives 0.
uint32_t FileLength(FILE* file);

// Opens `path` for reading in binary mode; paths are handed to the C runtime
// as they are (ANSI on Win32).
FILE* OpenForReading(const std::string& path);

// Owns a C-runtime stream.
class ScopedFile {
 public:
  ScopedFile() = default;
  explicit ScopedFile(FILE* file) : file_(file) {}
  ~ScopedFile() { Close(); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  ScopedFile(ScopedFile&& other) noexcept : file_(other.Detach()) {}
  ScopedFile& operator=(ScopedFile&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  FILE* Get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  FILE* Detach() {
    FILE* f = file_;
    file_ = nullptr;
    return f;
  }
  void Reset(FILE* file = nullptr) {
    Close();
    file_ = file;
  }
  // fclose's own result, so a writer can tell that buffered data never
  // reached the disk. True when nothing was open.
  bool Close() {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  FILE* file_ = nullptr;
};

// A new file beside `targetPath`, created exclusively (never an existing
// file), opened for binary writing. Its path is returned in *tempPath.
FILE* CreateSiblingTempFile(const std::string& targetPath, std::string* tempPath);

// Moves `from` over `to`, replacing an existing `to`.
bool ReplaceFileWith(const std::string& from, const std::string& to);

}  // namespace dropshrink
