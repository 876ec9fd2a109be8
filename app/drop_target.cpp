#include "app/drop_target.h"

#include <shellapi.h>

#include <vector>

#include "app/text.h"

namespace kestrivo {
namespace {

bool CarriesFiles(IDataObject* data) {
  if (!data) return false;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&format) == S_OK;
}

std::vector<std::wstring> DroppedPaths(IDataObject* data) {
  std::vector<std::wstring> paths;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (data->GetData(&format, &medium) != S_OK) return paths;
  if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
      DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
      paths.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return paths;
}

}  // namespace

DWORD DropEffectFor(DWORD keyState, DWORD allowed) {
  const bool control = keyState & MK_CONTROL, shift = keyState & MK_SHIFT;
  DWORD wanted = DROPEFFECT_NONE;
  if (control && shift) {
    wanted = DROPEFFECT_NONE;
  } else if (control) {
    wanted = DROPEFFECT_COPY;
  } else if (shift) {
    wanted = DROPEFFECT_MOVE;
  } else {
    for (DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
      if (allowed & effect) return effect;
    }
  }
  return (allowed & wanted) ? wanted : DROPEFFECT_NONE;
}

std::string DroppedFilesText(const std::wstring* paths, size_t count) {
  if (count == 1) return Utf8FromWide(paths[0]);
  std::string text;
  for (size_t i = 0; i < count; ++i) text += Utf8FromWide(paths[i]) + "\r\n";
  return text;
}

FileDropTarget::FileDropTarget(FilesDroppedHandler onFilesDropped) : onFilesDropped_(onFilesDropped) {}

HRESULT FileDropTarget::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FileDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG FileDropTarget::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  dragHasFiles_ = CarriesFiles(data);
  *effect = dragHasFiles_ ? DropEffectFor(keyState, *effect) : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  *effect = dragHasFiles_ ? DropEffectFor(keyState, *effect) : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
  dragHasFiles_ = false;
  return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  dragHasFiles_ = false;
  *effect = CarriesFiles(data) ? DropEffectFor(keyState, *effect) : DROPEFFECT_NONE;
  if (*effect == DROPEFFECT_NONE) return S_OK;
  const std::vector<std::wstring> paths = DroppedPaths(data);
  if (paths.empty()) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  // The listing runs inside this call; the drag source waits until it ends.
  if (onFilesDropped_) onFilesDropped_(DroppedFilesText(paths.data(), paths.size()));
  return S_OK;
}

}  // namespace kestrivo
