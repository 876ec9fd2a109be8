#pragma once
// The window's OLE drop target: accepts lists of files (CF_HDROP) and nothing
// else, and raises one files-dropped event per drop with the paths as UTF-8.

#include <windows.h>
#include <ole2.h>

#include <string>

namespace kestrivo {

// The effect offered for a drag with `keyState` (MK_CONTROL, MK_SHIFT) when the
// source allows `allowed`: no key: copy, else move, else link; Ctrl: copy;
// Shift: move; Ctrl+Shift: none. An effect the source does not allow is none.
DWORD DropEffectFor(DWORD keyState, DWORD allowed);

// The text of one files-dropped event: a single path as it is; several paths
// each followed by CR LF.
std::string DroppedFilesText(const std::wstring* paths, size_t count);

using FilesDroppedHandler = void (*)(const std::string& text);

class FileDropTarget : public IDropTarget {
 public:
  explicit FileDropTarget(FilesDroppedHandler onFilesDropped);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDropTarget
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

 private:
  virtual ~FileDropTarget() = default;

  LONG references_ = 1;
  bool dragHasFiles_ = false;
  FilesDroppedHandler onFilesDropped_;
};

}  // namespace kestrivo
