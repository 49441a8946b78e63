// Keys for embedded controls that handle the keyboard themselves. A web page's form fields need
// Tab, Delete and the clipboard keys before the message loop's dialog navigation or translation
// sees them, and only the control's in-place active object can say whether it wants a key. A
// window that holds such a control names that object here; every message loop of the program
// offers keyboard messages to it first.
#pragma once
#include <windows.h>

#include <oleidl.h>

namespace velmora::win {

// From now on, keyboard messages aimed at `host` or any window inside it are offered to
// `object`; nullptr ends that. The caller keeps `object` alive for as long as it is named, and
// names nullptr (or another object) before it lets the object go.
void SetKeyboardTarget(HWND host, IOleInPlaceActiveObject* object);

// For a message loop, before anything else is done with `msg`: a keyboard message
// (WM_KEYFIRST..WM_KEYLAST) aimed inside a window with a keyboard target is offered to that
// target's TranslateAccelerator. True when the target took it: the loop then neither gives it to
// dialog navigation nor translates or dispatches it.
bool PreTranslateKey(MSG& msg);

}  // namespace velmora::win
