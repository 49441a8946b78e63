#!/usr/bin/env bash
# The Windows package as a user gets it, under Wine: the installer, run silently, puts the program
# directory, a Start-menu shortcut and an uninstall entry in place; the installed program starts,
# writes gp.ini beside itself and shows its login window against a local service; the silent
# uninstaller removes everything it installed but keeps gp.ini; installing again finds the kept
# settings untouched; the uninstaller run by hand asks, and deletes gp.ini when told to.
# Usage: installer_under_wine.sh NATIVE_BUILD_DIR MINGW_BUILD_DIR [SETUP_EXE]
# The package of the build in MINGW_BUILD_DIR by default: i686 (the one users get, run by Wine's
# 32-bit loader) or x86_64.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-env.sh"
# Shortcuts would otherwise be mirrored into the Linux desktop's menus under ~/.local.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES};winemenubuilder.exe=d"
native="$1"
mingw="$2"
if [ $# -ge 3 ]; then
  setup="$3"
else
  # The newest: packages of earlier versions may still lie beside it.
  setup="$(ls -t "$mingw"/package/velmora-*setup.exe 2>/dev/null | head -1 || true)"
fi
stage="$mingw/package/Velmora"  # what the installer was made from
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
# The prefix's user profile (named after the Unix user by Wine): the one with a Start menu.
profile="$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | head -1 || true)"
profile="${profile%/AppData/Roaming}"
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora.lnk"
desktop="$profile/Desktop/Velmora.lnk"

work="$(mktemp -d)"
dir="$work/Velmora"
windir="Z:${dir//\//\\}"
gateway_pid=""
client_pid=""
uninstaller_pid=""

# Each program under the loader for its build (the 32-bit one for an i686 program).
wine_run() { timeout 60 "$(velmora_loader_for "$1")" "$@" </dev/null >>"$work/wine.log" 2>&1; }
has_key() { wine_run reg query "$key"; }
# What is left of the program directory, one relative path a line, sorted.
left() { (cd "$dir" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }

cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null
  [ -n "$uninstaller_pid" ] && kill "$uninstaller_pid" 2>/dev/null
  [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null && wait "$gateway_pid" 2>/dev/null
  # The prefix is shared with the other tests: leave no entry behind, whatever happened.
  wine_run reg delete "$key" /f || true
  rm -f "$shortcut" "$desktop"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  [ -f "$work/gateway.log" ] && { echo "--- gateway log"; tail -5 "$work/gateway.log"; }
  echo "--- program directory: $(left)"
  import -window root "${TMPDIR:-/tmp}/velmora-installer-failure.png" 2>/dev/null &&
    echo "screen: ${TMPDIR:-/tmp}/velmora-installer-failure.png"
  exit 1
}
gone() {  # pid: waits up to 10 s for it to end
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.2; done
  return 1
}

[ -f "$setup" ] || fail "no installer at '$setup'"
[ -n "$profile" ] || fail "no user profile in the Wine prefix $WINEPREFIX"
# A run killed half-way may have left its entry in the shared prefix.
wine_run reg delete "$key" /f || true
rm -f "$shortcut" "$desktop"

# --- A folder where a file cannot be written (a directory stands in its way): the silent
# installation must fail and register nothing, not report success over a missing file.
blocked="$work/blocked"
mkdir -p "$blocked/music/music.wav"
status=0
wine_run "$setup" /S "/D=Z:${blocked//\//\\}" || status=$?
[ "$status" -ne 0 ] || fail "the installer reported success although music.wav could not be written"
! has_key || fail "a failed installation left an uninstall entry"
[ ! -e "$shortcut" ] || fail "a failed installation left a Start-menu shortcut"
rm -rf "$blocked"

# --- Silent installation into a folder of our own.
wine_run "$setup" /S "/D=$windir" || fail "the installer exited with status $?"
installed="Uninstall.exe ico/1.ico ico/2.ico ico/3.ico ico/4.ico ico/5.ico ico/6.ico ico/7.ico music/music.wav velmora.exe "
[ "$(left)" = "$installed" ] || fail "installed files: '$(left)', expected '$installed'"
for f in velmora.exe music/music.wav ico/1.ico ico/7.ico; do
  cmp -s "$stage/$f" "$dir/$f" || fail "$f differs from the packaged one"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
grep -aqi 'velmora.exe' "$shortcut" || fail "the shortcut does not point at velmora.exe"
[ ! -e "$desktop" ] || fail "a desktop shortcut although it is not chosen by default"
has_key || fail "no uninstall entry"
wine_run reg query "$key" /v UninstallString
grep -aqF "$windir\\Uninstall.exe" "$work/wine.log" || fail "the uninstall entry does not name $windir\\Uninstall.exe"

# --- The installed program against a local service.
"$native/admin/velmora-admin" --db "$work/db" init --demo >/dev/null
"$native/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 >"$work/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/gateway.log" && break; sleep 0.1; done
page="$(grep -o 'http://[^ ]*' "$work/gateway.log" | head -1)"
[ -n "$page" ] || fail "the service did not start"
requests_before="$(wc -l <"$work/gateway.log")"
timeout 60 "$(velmora_loader_for "$dir/velmora.exe")" "$dir/velmora.exe" --gateway "${page%talvenor.asp}" </dev/null >/dev/null 2>&1 &
client_pid=$!
login="$(velmora_find_window Velmora last)" || fail "the installed program showed no login window"
for _ in $(seq 25); do [ -f "$dir/gp.ini" ] && break; sleep 0.2; done
[ -f "$dir/gp.ini" ] || fail "gp.ini was not written beside the installed program"
[ "$(wc -l <"$work/gateway.log")" -gt "$requests_before" ] || fail "the program did not talk to the service"
# A running program holds its file: the silent uninstaller must refuse, not half-remove.
status=0
wine_run "$dir/Uninstall.exe" /S "_?=$windir" || status=$?
[ "$status" -ne 0 ] || fail "the uninstaller reported success while the program was running"
[ -f "$dir/velmora.exe" ] && has_key || fail "the refused uninstall removed something"
velmora_press "$login" alt+F4
gone "$client_pid" || { kill "$client_pid" 2>/dev/null; gone "$client_pid" || fail "the program did not end"; }
client_pid=""
printf 'name=someone\r\n' >>"$dir/gp.ini"  # as if the user had saved settings
cp "$dir/gp.ini" "$work/settings"

# --- Silent uninstall. "_?=" runs it in place and waits; it cannot remove itself then.
wine_run "$dir/Uninstall.exe" /S "_?=$windir" || fail "the uninstaller exited with status $?"
[ "$(left)" = "Uninstall.exe gp.ini " ] || fail "after the silent uninstall: '$(left)', expected the kept gp.ini"
cmp -s "$dir/gp.ini" "$work/settings" || fail "the kept gp.ini changed"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
! has_key || fail "the uninstall entry is still there"

# --- Installing again keeps the settings; the uninstaller run by hand deletes them when told to.
rm -f "$dir/Uninstall.exe"
wine_run "$setup" /S "/D=$windir" || fail "the second installation exited with status $?"
cmp -s "$dir/gp.ini" "$work/settings" || fail "installing again changed gp.ini"
timeout 60 "$(velmora_loader_for "$dir/Uninstall.exe")" "$dir/Uninstall.exe" "_?=$windir" </dev/null >>"$work/wine.log" 2>&1 &
uninstaller_pid=$!
window="$(velmora_find_window Velmora last)" || fail "the uninstaller showed no window"
sleep 0.5
velmora_press "$window" Return  # the confirmation page: "Uninstall"
question=""
for _ in $(seq 50); do
  question="$(xdotool search --onlyvisible --name Velmora 2>/dev/null | grep -vx "$window" | tail -1 || true)"
  [ -n "$question" ] && break
  sleep 0.2
done
[ -n "$question" ] || fail "the uninstaller did not ask about gp.ini"
velmora_press "$question" y  # "Yes": delete the settings too
sleep 1
velmora_press "$window" Return  # the finished page: "Close"
gone "$uninstaller_pid" || fail "the uninstaller did not end"
wait "$uninstaller_pid" || fail "the uninstaller run by hand exited with status $?"
uninstaller_pid=""
[ "$(left)" = "Uninstall.exe " ] || fail "after deleting the settings too: '$(left)'"
! has_key || fail "the uninstall entry is still there after the second uninstall"
echo "installer under wine: ok"
