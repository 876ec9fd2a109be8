#include "app/handlers.h"

#include "app/app_state.h"
#include "app/clipboard.h"
#include "app/file_name.h"
#include "app/main_window.h"
#include "app/text.h"
#include "image/export_listing.h"

namespace kestrivo {

void OnMainWindowCreated() {
  // A refused registration only means that drops do nothing.
  RegisterDropTarget();
  // The disassembler is linked into the program: there is no module to write.
}

void OnMainWindowResized() {
  SetOuterWidth(ExportsList(), OuterWidth(MainWindow()) - 12);
  SetOuterHeight(ExportsList(), OuterHeight(MainWindow()) - 20 - OuterHeight(StatusBar()));
}

void OnFileDropped(const std::string& text) {
  CurrentPath() = text;
  MainExportsView().SetStatusText(1, FileNameOf(CurrentPath(), true));
  ListExports(text, MainExportsView(), SharedImageState());
  MainExportsView().ShowRows();
}

void OnExportsListDoubleClicked(int, int, int) {
  if (!ShowOpenDialog()) return;
  const std::string path = DialogFileName();
  OnFileDropped(path);
}

void OnExportsListClicked() {
  const std::string name = CellText(SelectedRow(), 1);
  if (name.empty()) {
    SetCaption("Kestrivo");
    return;
  }
  // The name is bytes in the ANSI code page; the caption is built in UTF-8.
  SetCaption(Utf8FromAnsi(name) + " 已复制");
  SetClipboardText(name);
}

}  // namespace kestrivo
