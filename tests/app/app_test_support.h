// Helpers for the desktop program's tests, which run in-process under Wine:
// message pumping, a data object a drag source would hand over, a driver for
// the folder dialog, private folders and small picture files.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dropshrink {
namespace test {

// Processes this thread's messages (with the layer's Esc rule) until `done`
// says so or `timeoutMs` has passed; the result is `done()`. A WM_QUIT is
// taken out of the queue and counted in quitMessages.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
void PumpFor(DWORD ms);
extern int quitMessages;

// A data object offering exactly one format in global memory.
class TestDataObject final : public IDataObject {
 public:
  TestDataObject(CLIPFORMAT format, std::vector<unsigned char> bytes);
  // A file list (DROPFILES) with the names in the ANSI code page, or in
  // UTF-16 when `wide` (the names then given in UTF-8).
  static TestDataObject FileList(const std::vector<std::string>& names, bool wide = false);
  static TestDataObject Text(const std::string& text);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

  int getDataCalls = 0;

 private:
  CLIPFORMAT format;
  std::vector<unsigned char> bytes;
};

// Runs `drive` on a second thread once a visible dialog (#32770) of
// `ownerThread` has appeared, passing its handle; the dialog's own loop on
// the first thread answers the messages `drive` sends.
class DialogDriver {
 public:
  DialogDriver(DWORD ownerThread, std::function<void(HWND dialog)> drive);
  ~DialogDriver();
  bool FoundDialog() const { return found.load(); }

 private:
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  std::thread thread;
};

// The first child of `dialog` (at any depth) of the class, or null.
HWND FindChildOfClass(HWND dialog, const char* className);
// The first child of `dialog` (at any depth) whose text is `text`.
HWND FindChildWithText(HWND dialog, const std::string& text);
// Presses a button the way a click does.
void ClickButton(HWND dialog, int id);

// A fresh folder under the system's temporary folder, removed with its
// files (one level) when the object goes. Paths end without "\".
class TempFolder {
 public:
  explicit TempFolder(const std::string& name = "app");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path; }
  std::string File(const std::string& name) const { return path + "\\" + name; }

 private:
  std::string path;
};

// A 24-bit BMP file of the size, filled with a colour ramp.
bool WriteSmallBmp(const std::string& path, int width, int height);
bool FileExistsA(const std::string& path);
std::vector<std::string> FilesIn(const std::string& folder);

// Text in the ANSI code page from UTF-8, for names the test writes in
// readable form.
std::string Ansi(const char* utf8);

bool IsTopmost(HWND window);

}  // namespace test
}  // namespace dropshrink
