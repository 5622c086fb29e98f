#include "convert/file_utils.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dropshrink {

namespace {

// Widest loop the temporary-name search makes: 2,047,483,648 candidates.
constexpr uint32_t kLastTempNumber = 2047483647u;

// Candidates tried when an exclusive create finds a name taken after the
// existence test said it was free.
constexpr int kExclusiveRetries = 1000;

}  // namespace

bool EndsWithSeparator(const std::string& path) {
  if (path.empty()) return false;
#ifdef _WIN32
  // Walk whole characters: a trail byte of a double-byte character may equal
  // the backslash code without being one.
  size_t last = 0;
  for (size_t i = 0; i < path.size();) {
    last = i;
    i += IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size() ? 2 : 1;
  }
  return path.size() - last == 1 && path[last] == '\\';
#else
  // No byte of a multi-byte UTF-8 sequence is '/'.
  return path.back() == '/';
#endif
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
#else
  if (path.empty()) return false;
  if (path.find_first_of("*?[") != std::string::npos) {
    glob_t matches{};
    bool any = glob(path.c_str(), GLOB_NOSORT, nullptr, &matches) == 0 && matches.gl_pathc > 0;
    globfree(&matches);
    return any;
  }
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
#endif
}

bool IsDirectory(const std::string& path) {
  std::string trimmed = path;
  if (EndsWithSeparator(trimmed)) trimmed.pop_back();
  if (trimmed.empty()) trimmed = path;  // the root folder itself
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(trimmed.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // A drive root ("C:") is no directory entry of its own.
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
  struct stat st;
  return stat(trimmed.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool DeleteIfExists(const std::string& path) {
  if (!FileExists(path)) return true;
#ifdef _WIN32
  return DeleteFileA(path.c_str()) != 0;
#else
  return unlink(path.c_str()) == 0;
#endif
}

std::string SystemTempFolder() {
#ifdef _WIN32
  DWORD length = GetTempPathA(0, nullptr);
  if (length == 0) return std::string();
  std::string folder(length, '\0');
  DWORD written = GetTempPathA(length, &folder[0]);
  if (written == 0 || written >= length) return std::string();
  folder.resize(written);
  return folder;
#else
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
#endif
}

std::string MakeTempFileName(const std::string& folder, const std::string& prefix, uint32_t* next) {
  std::string base = folder.empty() ? SystemTempFolder() : folder;
  if (base.empty() || !IsDirectory(base)) return std::string();
  if (!EndsWithSeparator(base)) base += kPathSeparator;
  for (uint32_t n = next ? *next : 0; n <= kLastTempNumber; ++n) {
    std::string candidate = base + prefix + std::to_string(n) + ".tmp";
    if (!FileExists(candidate)) {
      if (next) *next = n;
      return candidate;
    }
  }
  return std::string();
}

uint32_t FileLength(FILE* file) {
  if (!file) return 0;
  if (std::fseek(file, 0, SEEK_END) != 0) return 0;
  long length = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  return length < 0 ? 0 : static_cast<uint32_t>(length);
}

FILE* OpenForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

FILE* CreateSiblingTempFile(const std::string& targetPath, std::string* tempPath) {
  for (int n = 0; n < kExclusiveRetries; ++n) {
    std::string candidate = targetPath + ".part" + std::to_string(n);
#ifdef _WIN32
    int fd =
        _open(candidate.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int fd = open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
#ifdef _WIN32
    FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
#else
    FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
#endif
    if (!file) {
      DeleteIfExists(candidate);
      return nullptr;
    }
    *tempPath = candidate;
    return file;
  }
  return nullptr;
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace dropshrink
