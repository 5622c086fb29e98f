// The main window's drop object: takes file lists only, joins the dropped
// paths into one text and hands it to its handler before the drop
// notification returns to the drag source.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace dropshrink {

// The effect reported for the modifier keys (MK_CONTROL, MK_SHIFT) and the
// effects the drag source allows.
DWORD DropEffectFor(DWORD keys, DWORD allowedEffects);

// True when the data offers a file list (CF_HDROP in global memory).
bool OffersFileList(IDataObject* data);

// One path alone, or every path followed by CR LF.
std::string JoinDropText(const std::vector<std::string>& paths);

// The names of a file list, in the order it holds them, in the ANSI code
// page.
std::vector<std::string> QueryDroppedFiles(HDROP drop);

class DropTarget final : public IDropTarget {
 public:
  using Handler = void (*)(const std::string& dropText);

  explicit DropTarget(Handler handler);
  DropTarget(const DropTarget&) = delete;
  DropTarget& operator=(const DropTarget&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  // Always answers E_FAIL, also after a handled drop.
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                 DWORD* effect) override;

 private:
  ~DropTarget() = default;
  DWORD EffectNow(DWORD keys, DWORD allowedEffects) const;

  LONG references = 1;
  Handler handler;
  // Decided when the drag enters the window.
  bool acceptable = false;
  // The handler runs a nested loop (the folder dialog), in which a second
  // drag can reach this object; it is refused until the first has ended.
  bool handling = false;
};

}  // namespace dropshrink
