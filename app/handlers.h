#pragma once
// The five event handlers of the main window, in the order they first run.

#include <string>

namespace kestrivo {

// The window and its controls exist: switch on the drop target.
void OnMainWindowCreated();
// The window's size changed (the status bar is already re-docked): the list
// follows it.
void OnMainWindowResized();
// Files were dropped; `text` is one full path (UTF-8), or several each
// followed by CR LF.
void OnFileDropped(const std::string& text);
// A double-click on the list (not its header): pick a file and list it.
void OnExportsListDoubleClicked(int x, int y, int keyState);
// A click in the list's item area: copy the selected row's name.
void OnExportsListClicked();

}  // namespace kestrivo
