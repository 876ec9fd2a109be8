#include "gui_test_support.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstring>

#include "app/main_window.h"
#include "app/text.h"

namespace kestrivo::test {
namespace {

constexpr int kFileNameCombo = 0x47C;   // cmb13 of the open dialog
constexpr int kMessageBoxText = 0xFFFF;  // the static text of a message box

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return Utf8FromWide(text);
}

class FileDataObject : public IDataObject {
 public:
  FileDataObject(std::vector<std::string> paths, bool asText) : paths_(std::move(paths)), asText_(asText) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *object = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = nullptr;
    medium->hGlobal = asText_ ? TextMemory() : DropMemory();
    return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    const CLIPFORMAT offered = asText_ ? CF_UNICODETEXT : CF_HDROP;
    if (!format || format->cfFormat != offered || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  virtual ~FileDataObject() = default;

  // DROPFILES followed by the wide paths, each ended by a NUL, and one more NUL.
  HGLOBAL DropMemory() const {
    std::wstring list;
    for (const std::string& path : paths_) list += WideFromUtf8(path) + L'\0';
    list += L'\0';
    const size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
  }

  HGLOBAL TextMemory() const {
    const std::wstring text = WideFromUtf8(paths_.empty() ? std::string() : paths_[0]);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
  }

  long references_ = 1;
  std::vector<std::string> paths_;
  bool asText_;
};

struct WatchState {
  std::function<void(HWND)> act;
  std::vector<HWND> handled;
  std::vector<SeenDialog> seen;
  UINT_PTR timer = 0;
};
WatchState* g_watch = nullptr;

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

void CALLBACK WatchTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_watch) return;
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND dialog : dialogs) {
    bool known = false;
    for (HWND handled : g_watch->handled) known = known || handled == dialog;
    if (known) continue;
    g_watch->handled.push_back(dialog);
    std::wstring caption(static_cast<size_t>(GetWindowTextLengthW(dialog)) + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(dialog, caption.data(), static_cast<int>(caption.size()))));
    g_watch->seen.push_back(
        {Utf8FromWide(caption), ItemText(dialog, kMessageBoxText), ItemText(dialog, kFileNameCombo)});
    g_watch->act(dialog);
  }
}

}  // namespace

void MainWindowTest::SetUp() {
  window_ = CreateMainWindow(GetModuleHandleW(nullptr));
  ASSERT_NE(window_, nullptr);
  PumpMessages(50);
}

void MainWindowTest::TearDown() {
  if (IsWindow(window_)) DestroyWindow(window_);
  PumpMessages(20);
}

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string TestDllPath() { return WindowsPathOf("/usr/lib/gcc/i686-w64-mingw32/12-win32/libgcc_s_dw2-1.dll"); }

void PumpMessages(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (GetTickCount() - start >= static_cast<DWORD>(milliseconds)) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

IDataObject* NewFileDataObject(const std::vector<std::string>& paths, bool asText) {
  return new FileDataObject(paths, asText);
}

DWORD DropFiles(const std::vector<std::string>& paths, DWORD keyState, DWORD allowed) {
  IDropTarget* target = MainDropTarget();
  if (!target) return DROPEFFECT_NONE;
  IDataObject* data = NewFileDataObject(paths);
  POINTL point = {100, 100};
  DWORD effect = allowed;
  target->DragEnter(data, keyState | MK_LBUTTON, point, &effect);
  effect = allowed;
  target->DragOver(keyState | MK_LBUTTON, point, &effect);
  effect = allowed;
  target->Drop(data, keyState, point, &effect);
  data->Release();
  return effect;
}

DialogWatch::DialogWatch(std::function<void(HWND)> act) {
  g_watch = new WatchState{std::move(act), {}, {}, 0};
  g_watch->timer = SetTimer(nullptr, 0, 50, WatchTimer);
}

DialogWatch::~DialogWatch() {
  KillTimer(nullptr, g_watch->timer);
  delete g_watch;
  g_watch = nullptr;
}

const std::vector<SeenDialog>& DialogWatch::Seen() const { return g_watch->seen; }

void PressOk(HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); }

void PressCancel(HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }

std::function<void(HWND)> ChooseFile(const std::string& path) {
  return [path](HWND dialog) {
    SetDlgItemTextW(dialog, kFileNameCombo, WideFromUtf8(path).c_str());
    PressOk(dialog);
  };
}

std::string WindowCaption(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8FromWide(text);
}

std::string StatusText(int part) {
  const LRESULT length = SendMessageW(StatusBar(), SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
  std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
  SendMessageW(StatusBar(), SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::wcslen(text.c_str()));
  return Utf8FromWide(text);
}

int ListItemCount() { return static_cast<int>(SendMessageW(ExportsList(), LVM_GETITEMCOUNT, 0, 0)); }

std::string ListCellText(int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(ExportsList(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Utf8FromWide(buffer);
}

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, buffer);
  return Utf8FromWide(buffer);
}

std::string ClipboardAnsiText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::string ClipboardUnicodeText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return {};
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return Utf8FromWide(text);
}

void PutClipboardMarker(const std::string& ascii) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ascii.size() + 1);
  std::memcpy(GlobalLock(memory), ascii.c_str(), ascii.size() + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
}

std::string FreshTempFolder(const std::string& name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + WideFromUtf8(name);
  // Empty it: leftovers of an earlier run must not count.
  std::wstring pattern = folder + L"\\*";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  return Utf8FromWide(folder);
}

bool CopyFileUtf8(const std::string& from, const std::string& to) {
  return CopyFileW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), FALSE) != 0;
}

bool WriteFileUtf8(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

}  // namespace kestrivo::test
