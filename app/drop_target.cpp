#include "app/drop_target.h"

#include <shellapi.h>

#include <algorithm>

namespace dropshrink {

namespace {

FORMATETC FileListFormat() {
  FORMATETC format = {};
  format.cfFormat = CF_HDROP;
  format.ptd = nullptr;
  format.dwAspect = DVASPECT_CONTENT;
  format.lindex = -1;
  format.tymed = TYMED_HGLOBAL;
  return format;
}

// Holds a storage medium until the names read from it are no longer needed.
class ScopedMedium {
 public:
  ScopedMedium() = default;
  ~ScopedMedium() {
    if (filled) {
      ReleaseStgMedium(&medium);
    }
  }
  ScopedMedium(const ScopedMedium&) = delete;
  ScopedMedium& operator=(const ScopedMedium&) = delete;

  bool Fill(IDataObject* data, FORMATETC format) {
    filled = SUCCEEDED(data->GetData(&format, &medium));
    return filled;
  }
  HGLOBAL Global() const {
    return filled && medium.tymed == TYMED_HGLOBAL ? medium.hGlobal : nullptr;
  }

 private:
  STGMEDIUM medium = {};
  bool filled = false;
};

}  // namespace

DWORD DropEffectFor(DWORD keys, DWORD allowedEffects) {
  bool control = (keys & MK_CONTROL) != 0;
  bool shift = (keys & MK_SHIFT) != 0;
  if (control && shift) {
    return DROPEFFECT_NONE;
  }
  if (control) {
    return (allowedEffects & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  }
  if (shift) {
    return (allowedEffects & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
  }
  for (DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
    if (allowedEffects & effect) {
      return effect;
    }
  }
  return DROPEFFECT_NONE;
}

bool OffersFileList(IDataObject* data) {
  if (!data) {
    return false;
  }
  FORMATETC format = FileListFormat();
  return data->QueryGetData(&format) == S_OK;
}

std::string JoinDropText(const std::vector<std::string>& paths) {
  if (paths.size() == 1) {
    return paths[0];
  }
  std::string text;
  for (const std::string& path : paths) {
    text += path;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> QueryDroppedFiles(HDROP drop) {
  std::vector<std::string> names;
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT index = 0; index < count; ++index) {
    UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string name(length + 1, '\0');
    UINT copied = DragQueryFileA(drop, index, &name[0], length + 1);
    name.resize(copied);
    names.push_back(name);
  }
  return names;
}

DropTarget::DropTarget(Handler handler) : handler(handler) {}

HRESULT STDMETHODCALLTYPE DropTarget::QueryInterface(REFIID iid, void** object) {
  if (!object) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTarget::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references));
}

ULONG STDMETHODCALLTYPE DropTarget::Release() {
  LONG left = InterlockedDecrement(&references);
  if (left == 0) {
    delete this;
  }
  return static_cast<ULONG>(left);
}

DWORD DropTarget::EffectNow(DWORD keys, DWORD allowedEffects) const {
  if (!acceptable || handling) {
    return DROPEFFECT_NONE;
  }
  return DropEffectFor(keys, allowedEffects);
}

HRESULT STDMETHODCALLTYPE DropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL,
                                                DWORD* effect) {
  if (!effect) {
    return E_INVALIDARG;
  }
  acceptable = OffersFileList(data);
  *effect = EffectNow(keys, *effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragOver(DWORD keys, POINTL, DWORD* effect) {
  if (!effect) {
    return E_INVALIDARG;
  }
  *effect = EffectNow(keys, *effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragLeave() {
  acceptable = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) {
  DWORD allowed = effect ? *effect : DROPEFFECT_NONE;
  DWORD chosen = EffectNow(keys, allowed);
  if (effect) {
    *effect = chosen;
  }
  acceptable = false;
  if (chosen == DROPEFFECT_NONE || !data) {
    return E_FAIL;
  }

  ScopedMedium medium;
  HGLOBAL global = medium.Fill(data, FileListFormat()) ? medium.Global() : nullptr;
  if (!global) {
    return E_FAIL;
  }
  std::vector<std::string> names = QueryDroppedFiles(static_cast<HDROP>(global));
  // An empty name, or an empty list, would become an empty path, which the
  // batch takes for the root folder of the current drive.
  names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
  if (names.empty() || !handler) {
    return E_FAIL;
  }
  // The handler may close the window, which revokes and releases this
  // object while it still runs here.
  AddRef();
  handling = true;
  handler(JoinDropText(names));
  handling = false;
  Release();
  return E_FAIL;
}

}  // namespace dropshrink
