#include "app/batch_listing.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace dropshrink {

#ifdef _WIN32

namespace {

class ScopedFind {
 public:
  explicit ScopedFind(HANDLE search) : search_(search) {}
  ~ScopedFind() {
    if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  HANDLE Get() const { return search_; }

 private:
  HANDLE search_;
};

}  // namespace

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((folder + "*.*").c_str(), &found));
  if (search.Get() == INVALID_HANDLE_VALUE) return names;
  do {
    // "." and ".." are folders too.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return names;
}

#else

namespace {

class ScopedDir {
 public:
  explicit ScopedDir(DIR* dir) : dir_(dir) {}
  ~ScopedDir() {
    if (dir_) closedir(dir_);
  }
  ScopedDir(const ScopedDir&) = delete;
  ScopedDir& operator=(const ScopedDir&) = delete;
  DIR* Get() const { return dir_; }

 private:
  DIR* dir_;
};

// A link to a folder counts as a folder, as it does in a Windows listing.
bool IsFolderEntry(const std::string& folder, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat st;
  return stat((folder + entry.d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  ScopedDir dir(opendir(folder.c_str()));
  if (!dir.Get()) return names;
  while (const dirent* entry = readdir(dir.Get())) {
    if (!IsFolderEntry(folder, *entry)) names.push_back(entry->d_name);
  }
  return names;
}

#endif

}  // namespace dropshrink
