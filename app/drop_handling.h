// What a drop on the main window does: ask for an output folder, show the
// busy picture, convert, show the idle picture again.
#pragma once

#include <windows.h>

#include <string>

#include "app/batch.h"

namespace dropshrink {

// The folder the folder dialog selects when it opens.
extern std::string pickerInitialFolder;

// Told about each conversion of a drop; the desktop program sets none.
extern BatchObserver* dropBatchObserver;

// Handler of the drop object's FilesDropped event; runs the whole drop.
void OnFilesDropped(const std::string& dropText);

// The shell's folder dialog without an owner; the chosen folder's path, or
// an empty text after Cancel or for a folder with no file-system path.
std::string PickFolder(const std::string& initialFolder,
                       const std::string& title =
                           "\xC7\xEB\xD1\xA1\xD4\xF1\xD2\xBB\xB8\xF6"
                           "\xCE\xC4\xBC\xFE\xBC\xD0",  // 请选择一个文件夹
                       bool includeFiles = false, bool editBox = true, bool newStyle = true);

// The browse callback: selects pickerInitialFolder when the dialog opens.
int CALLBACK PickFolderCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// initial and final spaces removed: the byte 0x20 and the full-width space
// 0xA1 0xA1, taken character by character in the ANSI code page.
std::string TrimPickedPath(const std::string& text);

}  // namespace dropshrink
