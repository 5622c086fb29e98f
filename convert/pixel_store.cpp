#include "convert/pixel_store.h"

#include "convert/file_utils.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace dropshrink {

namespace {

// Names found free by the existence test can still be taken before the
// exclusive create; after this many collisions the store gives up.
constexpr int kCreateAttempts = 64;

}  // namespace

bool PixelStore::Create(uint32_t size, const char* prefix) {
  Release();
  if (size == 0) return false;
  uint32_t next = 0;
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    std::string path = MakeTempFileName(std::string(), prefix, &next);
    if (path.empty()) return false;
#ifdef _WIN32
    // CREATE_NEW: a name somebody else took since the test is never shared.
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) {
        ++next;
        continue;
      }
      return false;
    }
    file_ = file;
    path_ = path;
    // The mapping extends the file to `size` zero bytes.
    mapping_ = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, size, nullptr);
    if (mapping_) data_ = static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
#else
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) {
        ++next;
        continue;
      }
      return false;
    }
    file_ = fd;
    path_ = path;
    // Reserve the blocks now: a sparse file would run out of room while the
    // mapping is written, and the process would die of SIGBUS instead of
    // the allocation failing here.
    if (posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0) {
      void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (view != MAP_FAILED) data_ = static_cast<uint8_t*>(view);
    }
#endif
    if (!data_) {
      Release();
      return false;
    }
    size_ = size;
    return true;
  }
  return false;
}

void PixelStore::Release() {
#ifdef _WIN32
  if (data_) UnmapViewOfFile(data_);
  if (mapping_) CloseHandle(mapping_);
  if (file_) CloseHandle(file_);
  mapping_ = nullptr;
  file_ = nullptr;
#else
  if (data_) munmap(data_, size_);
  if (file_ >= 0) close(file_);
  file_ = -1;
#endif
  data_ = nullptr;
  if (!path_.empty()) DeleteIfExists(path_);
  path_.clear();
  size_ = 0;
}

void PixelStore::Flush() {
  if (!data_) return;
#ifdef _WIN32
  FlushViewOfFile(data_, 0);
#else
  msync(data_, size_, MS_ASYNC);
#endif
}

}  // namespace dropshrink
