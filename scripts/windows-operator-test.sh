#!/usr/bin/env bash
# An operator's session with the Windows program under Wine, on a private X display, with the
# virtual encoder behind Wine's COM1:
#   1. the portable folder: start it with no settings, Connect, type a PI and send it, Close; the
#      encoder must have received exactly the PI line and the closing line, and rds.ini must lie
#      beside the program with the PI in it;
#   2. headless, as a service: the automatic connect and the dynamic PS, then the web console's
#      status and a web send on COM1, and the same after --set-web-password with a login;
#   3. the installer: install silently, start the installed program once (its rds.ini goes to
#      %APPDATA%\rdspanel), uninstall silently, and nothing of the program may be left.
# It also takes docs/screenshots/windows.png and compares the start time with the Linux build's.
#
#   scripts/windows-operator-test.sh PROGRAM_FOLDER SETUP_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
folder=$(realpath "$1")
setup=$(realpath "$2")
out=$PWD/build/windows/operator
rm -rf "$out"
mkdir -p "$out"

fail() {
  echo "operator test: $*" >&2
  exit 1
}

# The Linux side: the virtual encoder, and the Linux program for the start-time comparison.
rds_build build/run RelWithDebInfo -DRDS_TESTS=OFF -DRDS_BENCH=OFF >/dev/null
encoder=$PWD/build/run/tools/rds-virtual-encoder
linux_panel=$PWD/build/run/app/rdspanel

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"

export WINEPREFIX=$PWD/build/windows/wine-gui WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
encoder_pid=""
finish() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$encoder_pid" ] && kill "$encoder_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  echo "-- Wine prefix"
  "$wine" wineboot -i >/dev/null 2>&1
fi

# The encoder's pseudo-terminal is Wine's COM1 (the registry entry survives the mount manager).
"$encoder" --ports-dir "$out/ports" --com 1 --json >"$out/encoder.jsonl" 2>&1 &
encoder_pid=$!
for _ in $(seq 50); do [ -e "$out/ports/com1" ] && break; sleep 0.1; done
[ -e "$out/ports/com1" ] || fail "the virtual encoder did not start"
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$out/ports/com1" /f >/dev/null 2>&1
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
ln -sfn "$out/ports/com1" "$WINEPREFIX/dosdevices/com1"

now_ms() { date +%s%3N; }
# Waits for the main window and prints its id.
main_window() {
  timeout 90 xdotool search --sync --onlyvisible --name '"Tessel" Encoder' 2>/dev/null | head -1
}
click() {  # window-relative x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.6
}
wait_gone() {  # pid seconds
  for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
windows_env() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }

echo "-- Portable folder: connect, send PI, close"
portable=$out/portable
cp -r "$folder" "$portable"
started=$(now_ms)
"$wine" "$portable/rdspanel.exe" --log >"$out/panel.log" 2>&1 &
panel_pid=$!
window=$(main_window)
[ -n "$window" ] || fail "no window from rdspanel.exe under Wine ($(cat "$out/panel.log"))"
wine_start=$(($(now_ms) - started))
sleep 1.5
click "$window" 130 113   # Connect on the "Select device" page
click "$window" 50 133    # the "RDS Settings" page button
click "$window" 254 76    # the PI field
xdotool key --window "$window" ctrl+a BackSpace
xdotool type --window "$window" --delay 80 7C6F
sleep 0.5
click "$window" 325 76    # Send PI
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/windows.png"
click "$window" 546 16    # Close
wait_gone "$panel_pid" 20 || fail "rdspanel.exe did not end after Close"
sleep 0.5

python3 - "$out/encoder.jsonl" <<'EOF' || fail "the encoder did not receive exactly the PI line and the closing line"
import json, sys
raw = [json.loads(l)["raw"] for l in open(sys.argv[1]) if l.startswith("{") and '"raw"' in l]
expected = ["PI124,111\r\n", "RM\r\n"]
print("encoder received:", raw)
sys.exit(0 if raw == expected else 1)
EOF
# xdotool's typing under Wine may lose the shift key: the PI is hex, either case is the same PI.
grep -qix 'PI=7C6F' <(tr -d '\r' <"$portable/rds.ini") || fail "no PI=7C6F in the rds.ini beside the program"
grep -q "font DSEG14Classic-Regular.ttf registered as DSEG14 Classic" "$out/panel.log" ||
  fail "the LCD face was not loaded from the program folder ($(grep font "$out/panel.log"))"
grep -q "LCD face: DSEG14 Classic, text face: DejaVu Sans" "$out/panel.log" ||
  fail "the program's fonts resolve to other faces ($(grep face "$out/panel.log"))"
grep "face" "$out/panel.log" | sed 's/^[0-9: .-]*/   /'
cp "$out/windows.png" docs/screenshots/windows.png

echo "-- Headless: the automatic connect and the dynamic PS, as a service would run it"
service=$out/service
mkdir -p "$service"
web_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
web=http://127.0.0.1:$web_port
printf '[Select device]\r\nCOM Port=COM 1\r\nDevice=0\r\n[Other settings]\r\nAuto connect=1\r\nAuto on dps=1\r\n[Dynamic RT and PS]\r\nDynamic PS=%s\r\n[Web]\r\nListen=127.0.0.1:%s\r\n' \
  "$("$wine" winepath -w "$service/ps.txt" 2>/dev/null | tr -d '\r')" "$web_port" >"$service/rds.ini"
printf 'ON AIR' >"$service/ps.txt"
service_dir=$("$wine" winepath -w "$service" 2>/dev/null | tr -d '\r')
start_service() {
  "$wine" "$portable/rdspanel.exe" --headless --config-dir "$service_dir" >>"$out/service.log" 2>&1 &
  for _ in $(seq 150); do curl -s -o /dev/null "$web/" && return 0; sleep 0.1; done
  fail "no web console on $web ($(cat "$out/service.log"))"
}
encoder_received() {  # the raw line as the encoder's JSON writes it
  for _ in $(seq 150); do grep -qF "\"raw\":\"$1\"" "$out/encoder.jsonl" && return 0; sleep 0.1; done
  return 1
}
json=(-H 'Content-Type: application/json')
start_service
encoder_received 'PSON AIR  \r\n' || fail "the headless program sent no PS ($(cat "$out/service.log"))"
grep -q "rdspanel started headless" "$out/service.log" || fail "the headless program logged nothing"
echo "-- Web console: status, a send, then the same behind a password"
status=$(curl -s "$web/api/v1/status")
grep -q '"version":1' <<<"$status" && grep -q '"connected":true' <<<"$status" ||
  fail "the web console's status is not the connected program's: $status"
answer=$(curl -s "${json[@]}" -d '{"value":"FROM WEB"}' "$web/api/v1/send/ps")
[ "$answer" = '{"ok":true}' ] || fail "the web send was answered $answer"
encoder_received 'PSFROM WEB\r\n' || fail "the web send did not reach COM1"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
printf 'studio 5\r\nstudio 5\r\n' | "$wine" "$portable/rdspanel.exe" --config-dir "$service_dir" \
  --set-web-password >"$out/password.log" 2>&1 || fail "--set-web-password failed: $(cat "$out/password.log")"
grep -q '^Password=pbkdf2-sha256\$' <(tr -d '\r' <"$service/rds.ini") || fail "no password key in rds.ini"
start_service
[ "$(curl -s -o /dev/null -w '%{http_code}' "$web/api/v1/status")" = 401 ] ||
  fail "the status was served without the password"
login=$(curl -s -c "$out/cookies" "${json[@]}" -d '{"password":"studio 5"}' "$web/api/v1/login")
csrf=$(sed -n 's/.*"csrf":"\([0-9a-f]*\)".*/\1/p' <<<"$login")
[ -n "$csrf" ] || fail "no login with the password: $login"
for _ in $(seq 150); do
  curl -s -b "$out/cookies" "$web/api/v1/status" | grep -q '"connected":true' && break
  sleep 0.1
done
answer=$(curl -s -b "$out/cookies" -H "X-CSRF-Token: $csrf" "${json[@]}" -d '{"value":"LOGGEDIN"}' \
  "$web/api/v1/send/ps")
[ "$answer" = '{"ok":true}' ] || fail "the send after logging in was answered $answer"
encoder_received 'PSLOGGEDIN\r\n' || fail "the send after logging in did not reach COM1"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w

echo "-- Installer: install, start once, uninstall"
"$wine" "$setup" /S >/dev/null 2>&1
"$wineserver" -w
installed=$(unix_path "$(windows_env LOCALAPPDATA)\\Programs\\rdspanel")
appdata=$(unix_path "$(windows_env APPDATA)")
menu_entry="$appdata/Microsoft/Windows/Start Menu/Programs/rdspanel.lnk"
[ -f "$installed/rdspanel.exe" ] && [ -f "$installed/uninstall.exe" ] ||
  fail "nothing installed in $installed"
[ -f "$menu_entry" ] || fail "no Start-menu entry"
"$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\rdspanel' >/dev/null 2>&1 ||
  fail "no uninstall entry in the registry"
"$wine" "$installed/rdspanel.exe" >"$out/installed.log" 2>&1 &
panel_pid=$!
window=$(main_window)
[ -n "$window" ] || fail "the installed program showed no window"
sleep 1.5
click "$window" 546 16
wait_gone "$panel_pid" 20 || fail "the installed program did not end after Close"
[ -f "$appdata/rdspanel/rds.ini" ] || fail "the installed program kept no rds.ini in %APPDATA%\\rdspanel"
[ ! -e "$installed/rds.ini" ] || fail "the installed program wrote rds.ini into its own folder"
"$wine" "$installed/uninstall.exe" /S >/dev/null 2>&1
"$wineserver" -w
[ ! -e "$installed" ] || fail "left after uninstalling: $(find "$installed" | head)"
[ ! -e "$menu_entry" ] || fail "the Start-menu entry is left after uninstalling"
! "$wine" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\rdspanel' >/dev/null 2>&1 ||
  fail "the uninstall entry is left in the registry"
rm -rf "$appdata/rdspanel"

echo "-- Start time, Linux build on the same display"
mkdir -p "$out/linux/ports"
started=$(now_ms)
"$linux_panel" --config-dir "$out/linux" >/dev/null 2>&1 &
linux_pid=$!
[ -n "$(main_window)" ] || fail "the Linux program showed no window"
linux_start=$(($(now_ms) - started))
kill -TERM "$linux_pid"
wait_gone "$linux_pid" 10 || true

echo "== Operator test under Wine passed: window after ${wine_start} ms under Wine," \
  "${linux_start} ms on Linux; program folder $(du -sh "$folder" | cut -f1)"
