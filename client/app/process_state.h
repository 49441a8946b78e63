// The process-wide values the windows share. One instance; texts are GBK (the one path is UTF-16)
// and replaced whole.
#pragma once
#include <cstdint>
#include <string>

#include "session/login.h"

namespace velmora {

struct ProcessState {
  std::string gateway_address;     // the gateway page: base address + "talvenor.asp"
  int sound_on_new_message = 0;    // syts
  int popup_on_new_message = 0;    // tcts
  std::wstring sound_path;         // sydz, or the default sound: a path, UTF-16
  std::string product_title;       // lset8
  int popup_seconds = 0;           // lset6
  int poll_seconds = 0;            // lset7
  std::string sign_up_switch;      // lset1 as the last sign-up attempt read it; "1" is open
  std::string contact_qq;          // rconfig 联系1, deciphered
  std::string contact_wangwang;    // rconfig 联系2, deciphered
  int settings_opened_from = 0;    // 1 login window, 2 main window
  std::string message_text;        // what the next message or confirmation box shows
  int close_answer = 0;            // 0 proceed, 1 cancel: the confirmation box's answer
  SessionRecord session;
};

ProcessState& State();

}  // namespace velmora
