#include "app/drop_handling.h"

#include <shlobj.h>

#include <algorithm>

#include "app/embedded_pictures.h"
#include "app/skin_objects.h"
#include "app/window_layer.h"

namespace dropshrink {

std::string pickerInitialFolder;
BatchObserver* dropBatchObserver = nullptr;

namespace {

// 另存至
const char saveToTitle[] = "\xC1\xED\xB4\xE6\xD6\xC1";

std::string DesktopFolder() {
  char path[260] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) {
    return std::string();
  }
  std::string folder(path);
  if (!folder.empty() && folder.back() != '\\') {
    folder += '\\';
  }
  return folder;
}

void ShowOverlay(const EmbeddedBytes& picture) {
  overlayPicture->SetImageFromBytes(picture.data, picture.size);
  mainSkin->Refresh();
}

}  // namespace

void OnFilesDropped(const std::string& dropText) {
  SetAlwaysOnTop(AppWindow::Main, false);
  std::string chosen = PickFolder(DesktopFolder(), saveToTitle, false, true, true);
  SetAlwaysOnTop(AppWindow::Main, true);
  // Without a folder there is nowhere the user asked for: converting into
  // the root of the current drive would scatter files where nobody looks.
  // A window closed meanwhile ended the program's business as well.
  if (chosen.empty() || !HandleOf(AppWindow::Main)) {
    return;
  }
  outputFolder = chosen;
  if (outputFolder.back() != '\\') {
    outputFolder += '\\';
  }

  ShowOverlay(BusyOverlayPng);
  BatchOptions options;
  options.observer = dropBatchObserver;
  CompressDropped(dropText, options);
  ShowOverlay(IdleOverlayPng);
}

std::string TrimPickedPath(const std::string& text) {
  auto spaceAt = [&text](size_t at) -> size_t {
    if (text[at] == ' ') {
      return 1;
    }
    if (at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xA1 &&
        static_cast<unsigned char>(text[at + 1]) == 0xA1) {
      return 2;
    }
    return 0;
  };
  size_t begin = std::string::npos;
  size_t end = 0;
  for (size_t at = 0; at < text.size();) {
    size_t length = spaceAt(at);
    if (length == 0) {
      length = static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size() ? 2 : 1;
      if (begin == std::string::npos) {
        begin = at;
      }
      end = at + length;
    }
    at += length;
  }
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin);
}

int CALLBACK PickFolderCallback(HWND window, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED) {
    SendMessageA(window, BFFM_SETSELECTIONA, 1,
                 reinterpret_cast<LPARAM>(pickerInitialFolder.c_str()));
  }
  return 1;
}

std::string PickFolder(const std::string& initialFolder, const std::string& title,
                       bool includeFiles, bool editBox, bool newStyle) {
  BROWSEINFOA info = {};
  info.hwndOwner = nullptr;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = title.c_str();
  info.ulFlags = (editBox ? BIF_EDITBOX : 0) | (newStyle ? BIF_NEWDIALOGSTYLE : 0) |
                 (includeFiles ? BIF_BROWSEINCLUDEFILES : 0);
  info.lpfn = PickFolderCallback;
  info.lParam = 0;
  info.iImage = 0;
  pickerInitialFolder = initialFolder;

  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  char path[513];
  std::fill(path, path + 512, ' ');
  path[512] = '\0';
  if (!chosen || !SHGetPathFromIDListA(chosen, path)) {
    path[0] = '\0';
  }
  CoTaskMemFree(chosen);
  return TrimPickedPath(path);
}

}  // namespace dropshrink
