#!/usr/bin/env bash
# Takes the README's screenshots from the real program: a private virtual display, the virtual
# encoder as COM 1 and a demo settings folder with a running dynamic PS and RT; each page of the
# main window is clicked open and captured into docs/screenshots/.
#
#   scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}" xvfb xdotool imagemagick
rds_build build/run RelWithDebInfo -DRDS_TESTS=OFF -DRDS_BENCH=OFF >/dev/null

out=$(mkdir -p "${1:-docs/screenshots}" && cd "${1:-docs/screenshots}" && pwd)
panel=build/run/app/rdspanel
encoder=build/run/tools/rds-virtual-encoder
# A fixed folder, since its paths show on the dynamic page.
demo=/tmp/radio-one
rm -rf "$demo"
mkdir -p "$demo"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$demo"
}
trap cleanup EXIT

# A display number nobody uses.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done

printf '%%NPFile%%' >"$demo/ps.txt"
printf 'Now playing: %%NPFile%% - %%Temp%% C in the city' >"$demo/rt.txt"
printf 'Jean-Michel Jarre - Oxygene, Pt. 4' >"$demo/np.txt"
printf '21' >"$demo/temp.txt"
cat >"$demo/rds.ini" <<EOF
[Select device]
COM Port=COM 1
Device=1
[RDS Settings]
PI=C201
PS=RADIO 1
RT=Radio One - the best music in town
PTY=10
Page PS1=RADIO
Page PS2=ONE
Page PS3=THE BEST
Page PS4=MUSIC
PPS change int=3
DPTY=1
TP=1
[Dynamic RT and PS]
Dynamic PS=$demo/ps.txt
Dynamic RT=$demo/rt.txt
Thermometer=$demo/temp.txt
Scroll=$demo/np.txt
Scroll/Page select=Scroll mode
Spos=10
Wpos=4
[Other settings]
Auto connect=1
Auto on dps=1
Auto on drt=1
[General window]
Left=0
Top=0
EOF

"$encoder" --config-dir "$demo" --com 1 >/dev/null &
pids+=($!)
for _ in $(seq 50); do
  [ -e "$demo/ports/com1" ] && break
  sleep 0.1
done
"$panel" --config-dir "$demo" 2>/dev/null &
pids+=($!)
xdotool search --sync --onlyvisible --pid "$!" >/dev/null

# shot NAME PAGE_BUTTON_Y: opens the page through its button on the left, then captures the
# window's area of the screen (the window is drawn without a frame at 0,0).
shot() {
  xdotool mousemove 50 "$2" click 1
  sleep 1.5
  import -window root -crop 565x464+0+0 +repage "$out/$1.png"
  echo "$out/$1.png"
}
sleep 3
shot connection 78
xdotool mousemove 50 133 click 1 mousemove 150 121 click 1
shot rds-settings 133
shot dynamic 188
shot settings 243
shot information 298
