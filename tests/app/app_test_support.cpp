#include "app/app_test_support.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "app/skin_objects.h"
#include "app/window_layer.h"
#include "skin/image_loading.h"

namespace dropshrink {
namespace test {

int quitMessages = 0;

namespace {

// The program's start-up, less the main window: every test loads the
// windows it needs.
class DesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(StartWindowLayer());
    CreateSkinObjects();
    InitSkinToolkit();
  }
  void TearDown() override { ExitCleanup(); }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

std::wstring Wide(const char* utf8) {
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring text(units, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &text[0], units);
  text.resize(units - 1);
  return text;
}

struct ChildSearch {
  const std::function<bool(HWND)>* match;
  HWND* found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lParam) {
  auto* search = reinterpret_cast<ChildSearch*>(lParam);
  if ((*search->match)(child)) {
    *search->found = child;
    return FALSE;
  }
  return TRUE;
}

void FindChild(HWND parent, const std::function<bool(HWND)>& match, HWND* found) {
  ChildSearch search = {&match, found};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
}

BOOL CALLBACK MatchVisibleDialog(HWND window, LPARAM lParam) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) {
      return done();
    }
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      continue;
    }
    if (message.message == WM_QUIT) {
      ++quitMessages;
      continue;
    }
    if (!HandleLayerKeys(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

TestDataObject::TestDataObject(CLIPFORMAT format, std::vector<unsigned char> bytes)
    : format(format), bytes(std::move(bytes)) {}

TestDataObject TestDataObject::FileList(const std::vector<std::string>& names, bool wide) {
  std::vector<unsigned char> bytes(sizeof(DROPFILES));
  DROPFILES header = {};
  header.pFiles = sizeof(DROPFILES);
  header.fWide = wide;
  std::memcpy(bytes.data(), &header, sizeof header);
  auto append = [&bytes](const void* data, size_t size) {
    auto p = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), p, p + size);
  };
  for (const std::string& name : names) {
    if (wide) {
      std::wstring text = Wide(name.c_str());
      append(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    } else {
      append(name.c_str(), name.size() + 1);
    }
  }
  // The list ends in an empty name; an empty list is that name alone.
  const wchar_t end[2] = {0, 0};
  append(end, (wide ? sizeof(wchar_t) : 1) * (names.empty() ? 2 : 1));
  return TestDataObject(CF_HDROP, bytes);
}

TestDataObject TestDataObject::Text(const std::string& text) {
  return TestDataObject(CF_TEXT, std::vector<unsigned char>(text.begin(), text.end() + 1));
}

HRESULT STDMETHODCALLTYPE TestDataObject::QueryInterface(REFIID iid, void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *object = static_cast<IDataObject*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TestDataObject::QueryGetData(FORMATETC* wanted) {
  if (!wanted || wanted->cfFormat != format) {
    return DV_E_FORMATETC;
  }
  if (!(wanted->tymed & TYMED_HGLOBAL)) {
    return DV_E_TYMED;
  }
  if (wanted->dwAspect != DVASPECT_CONTENT) {
    return DV_E_DVASPECT;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestDataObject::GetData(FORMATETC* wanted, STGMEDIUM* medium) {
  ++getDataCalls;
  HRESULT answer = QueryGetData(wanted);
  if (answer != S_OK) {
    return answer;
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) {
    return E_OUTOFMEMORY;
  }
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = block;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) {
    out->ptd = nullptr;
  }
  return DATA_S_SAMEFORMATETC;
}

DialogDriver::DialogDriver(DWORD ownerThread, std::function<void(HWND)> drive)
    : thread([this, ownerThread, drive] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stop.load() && std::chrono::steady_clock::now() < deadline) {
          HWND dialog = nullptr;
          EnumThreadWindows(ownerThread, MatchVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
          if (dialog) {
            // Let the dialog finish its start-up (tree, selection).
            Sleep(300);
            found.store(true);
            drive(dialog);
            return;
          }
          Sleep(20);
        }
      }) {}

DialogDriver::~DialogDriver() {
  stop.store(true);
  if (thread.joinable()) {
    thread.join();
  }
}

HWND FindChildOfClass(HWND dialog, const char* className) {
  HWND found = nullptr;
  FindChild(
      dialog,
      [className](HWND child) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        return lstrcmpiA(name, className) == 0;
      },
      &found);
  return found;
}

HWND FindChildWithText(HWND dialog, const std::string& text) {
  HWND found = nullptr;
  FindChild(
      dialog,
      [&text](HWND child) {
        char buffer[256] = {};
        GetWindowTextA(child, buffer, sizeof buffer);
        return text == buffer;
      },
      &found);
  return found;
}

void ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button) {
    SendMessageA(button, BM_CLICK, 0, 0);
  } else {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
}

TempFolder::TempFolder(const std::string& name) {
  static int serial = 0;
  std::string leaf = "dropshrink-" + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(++serial);
  // Wine's folder dialog cannot select a folder inside the temporary
  // folder of the user's profile, so the tests keep theirs in the drive's
  // root folder when they may.
  path = "C:\\" + leaf;
  if (CreateDirectoryA(path.c_str(), nullptr)) {
    return;
  }
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  path = std::string(base) + leaf;
  CreateDirectoryA(path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  for (const std::string& file : FilesIn(path)) {
    DeleteFileA(File(file).c_str());
  }
  RemoveDirectoryA(path.c_str());
}

bool WriteSmallBmp(const std::string& path, int width, int height) {
  int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + stride * height;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = stride * height;
  std::vector<unsigned char> pixels(stride * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &pixels[y * stride + x * 3];
      p[0] = static_cast<unsigned char>(x * 255 / width);
      p[1] = static_cast<unsigned char>(y * 255 / height);
      p[2] = 128;
    }
  }
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
            WriteFile(out, &info, sizeof info, &written, nullptr) &&
            WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  CloseHandle(out);
  return ok;
}

bool FileExistsA(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      names.push_back(entry.cFileName);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

std::string Ansi(const char* utf8) {
  std::wstring wide = Wide(utf8);
  int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], size, nullptr, nullptr);
  text.resize(size - 1);
  return text;
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace test
}  // namespace dropshrink
