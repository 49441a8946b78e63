// The settings window "软件设置": skin colour or picture, the sound and pop-up switches for new
// messages and the sound file. Every choice takes effect and is written to gp.ini at once; there
// is nothing to confirm. It is modal and has no owner.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/profile_store_win.h"
#include "app/settings_file.h"

namespace velmora::win {

// The system's dialogs the window asks. Each blocks in a modal loop of its own, so a test answers
// them in their place; the window, its controls and its writes stay the real ones.
struct SettingsDialogs {
  // The colour picked, or nothing when the user cancelled. `current` is the colour offered first.
  std::function<std::optional<COLORREF>(HWND owner, COLORREF current)> pick_colour;
  // A file chosen with the dialog's "description|patterns" filter (GBK), starting at
  // `start_path`, or nothing when the user cancelled.
  std::function<std::optional<std::wstring>(HWND owner, std::string_view bar_filter, const std::wstring& start_path)>
      pick_file;
};

// The system colour dialog and the common file-open dialog.
SettingsDialogs SystemSettingsDialogs();

// Opens the settings window placed by `opener` (the window whose main-menu button was clicked;
// the process-wide settings-origin value says which kind it is) and returns when it is closed.
// A second request while a settings window is open brings that one to the front instead.
// `program_dir` is the folder of the default sound a new gp.ini names. A chosen file whose path
// gp.ini cannot keep is used until the program ends, and the user is told so.
void ShowSettingsWindow(HWND opener, ProfileStore& store, const SettingsDialogs& dialogs,
                        const std::wstring& program_dir = ProgramDirectory());
// The same on the gp.ini in `program_dir`, with the system's dialogs.
void ShowSettingsWindow(HWND opener, const std::wstring& program_dir = ProgramDirectory());

inline constexpr wchar_t kSettingsWindowClass[] = L"VelmoraSettings";

}  // namespace velmora::win
