// The copy guard of the read-only detail boxes (the feed page's remark and news boxes, the
// pop-up's two boxes): the service's texts are meant to be read, not copied. Once Ctrl has been
// pressed in a box, every later release of C there empties the clipboard, Ctrl still held or not;
// the box's context menu and its text-buffer handle are withheld from everyone.
//
// The window side subclasses each box, keeps one CopyGuard per box, feeds it the box's key
// messages and hands every message on as Forwarded says.
#pragma once
#include <cstdint>

namespace velmora {

class CopyGuard {
 public:
  static constexpr unsigned kControlKey = 17;       // VK_CONTROL
  static constexpr unsigned kLetterC = 67;          // 'C'
  static constexpr unsigned kContextMenu = 0x7B;    // WM_CONTEXTMENU
  static constexpr unsigned kGetTextHandle = 0xBD;  // EM_GETHANDLE
  static constexpr unsigned kNullMessage = 0;       // WM_NULL

  // A key-down in the box.
  void KeyDown(unsigned key) {
    if (key == kControlKey) control_seen_ = true;
  }
  // A key-up in the box; true when the clipboard must now be set to the empty text.
  bool KeyUp(unsigned key) const { return key == kLetterC && control_seen_; }
  bool control_seen() const { return control_seen_; }

  struct Message {
    unsigned message;
    uintptr_t wparam;
    intptr_t lparam;
    friend bool operator==(const Message&, const Message&) = default;
  };
  // What the box's own window procedure gets for a message: the context menu becomes a null
  // message without parameters, the text-handle request a null message with its parameters, the
  // rest pass unchanged.
  static Message Forwarded(Message m) {
    if (m.message == kContextMenu) return {kNullMessage, 0, 0};
    if (m.message == kGetTextHandle) return {kNullMessage, m.wparam, m.lparam};
    return m;
  }

 private:
  bool control_seen_ = false;
};

}  // namespace velmora
