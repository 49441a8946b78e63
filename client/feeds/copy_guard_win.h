// The copy guard on a read-only detail box (see copy_guard.h): subclasses the box so its key
// messages reach the guard, the clipboard is emptied when the guard says so, and the context menu
// and text-handle requests never reach the box's own procedure.
#pragma once
#include <windows.h>

#include "feeds/copy_guard.h"

namespace velmora::win {

// The box gets a guard of its own (its own Ctrl flag); guard and subclass go with the box.
bool InstallCopyGuard(HWND box);

// Sets the clipboard to the empty text (what the guard does on a guarded copy).
void SetClipboardEmptyText(HWND owner);

}  // namespace velmora::win
