#!/usr/bin/env bash
# Kills the control panel with SIGKILL while an operator changes its settings, many times over,
# and checks rds.ini after every kill: it must read as a whole file in which every key holds its
# value from before the start or one the operator's clicks and keystrokes gave it, and a temporary
# file left by a kill must be gone once the program has started again.
#
#   scripts/kill-test.sh [-n KILLS] [-s SEED] [-k]
#     -n KILLS  how many kills (default 1000)
#     -s SEED   seed of the random kill moments and typed names, to repeat a run
#     -k        keep the work folder (it is always kept when something failed)
#
# The program runs on a private Xvfb display, with a virtual encoder on a pseudo-terminal as its
# only COM port. Exit status 0 when every check passed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

kills=1000
seed=$(((RANDOM << 15) | RANDOM))
keep=0
while getopts "n:s:k" opt; do
  case "$opt" in
    n) kills=$OPTARG ;;
    s) seed=$OPTARG ;;
    k) keep=1 ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
done

rds_ensure_packages "${RDS_BUILD_PACKAGES[@]}" xvfb xdotool

build=build/kill
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRDS_TESTS=OFF \
    -DRDS_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target rdspanel rds-virtual-encoder rdscore >/dev/null
checker=$build/ini-check
if [ ! -x "$checker" ] || [ scripts/ini-check.cpp -nt "$checker" ] ||
  [ "$build/librdscore.a" -nt "$checker" ]; then
  g++ -std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -I. scripts/ini-check.cpp \
    "$build/librdscore.a" -o "$checker"
fi
panel=$build/app/rdspanel
encoder=$build/tools/rds-virtual-encoder

work=$(mktemp -d)
cfg=$work/cfg
mkdir -p "$cfg"
failures=0
xvfb_pid=
encoder_pid=
panel_pid=
driver_pid=

stop() {
  local pid
  for pid in "$driver_pid" "$panel_pid" "$encoder_pid" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$keep" -eq 0 ] && [ "$failures" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "Work folder kept: $work"
  fi
}
trap stop EXIT

# A display of our own, on the first free number from 77 up.
display=77
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The Other settings page only opens once a port was found.
"$encoder" --config-dir "$cfg" --com 1 >"$work/encoder.log" 2>&1 &
encoder_pid=$!
for _ in $(seq 100); do
  [ -e "$cfg/ports/com1" ] && break
  sleep 0.05
done
[ -e "$cfg/ports/com1" ] || { echo "The virtual encoder did not start." >&2; exit 1; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts the program and waits until its window shows.
start_panel() {
  "$panel" --config-dir "$cfg" 2>>"$work/panel.log" &
  panel_pid=$!
  if ! timeout 20 xdotool search --sync --onlyvisible --pid "$panel_pid" >/dev/null; then
    echo "The program's window did not show." >&2
    exit 1
  fi
}

kill_panel() {
  kill -KILL "$panel_pid" 2>/dev/null || true
  wait "$panel_pid" 2>/dev/null || true
  panel_pid=
  # A click still on its way could land on the next start's window.
  if [ -n "$driver_pid" ]; then
    kill "$driver_pid" 2>/dev/null || true
    wait "$driver_pid" 2>/dev/null || true
    driver_pid=
  fi
}

# The first start writes the defaults; then the boxes get explicit values.
start_panel
sleep 1
kill_panel
boxes='Auto connect=0\nAuto on dps=0\nAuto on drt=0\nAuto to tray=0\nShow info window=0'
boxes+='\nShow info taskbar=0\nTA,TP,PTY=0\nTA,TP,PTY control=0'
sed -i "/^\[Other settings\]/a $boxes" "$cfg/rds.ini"
grep -q '^Auto connect=0' "$cfg/rds.ini" || { echo "Could not prepare rds.ini." >&2; exit 1; }

days=(Monday Tuesday Wednesday Thursday Friday Saturday Sunday)
day_x=(277 352 427 277 353 428 277)
day_y=(89 89 89 139 139 139 187)
names=(Lundi Mardi "Mer credi" Jeudi Vendredi Samedi "Di manche" Montag Dienstag "Mitt woch")

declare -A old allowed final
actions=()

# Sets a key as the program does, remembering every value it takes.
store() {
  allowed[$1]+=$'\t'"$2"
  final[$1]=$2
}

click() { actions+=(mousemove "$1" "$2" click --delay 0 1 sleep 0.02); }

# Toggles a box: the new value of its keys.
flip() { [ "$1" = 1 ] && echo 0 || echo 1; }

# Plans one iteration from the current rds.ini: the clicks and keystrokes, and the values each key
# may take. The boxes load as stored, except that the two "Auto Enable" boxes only stay ticked
# with "Auto Connect" and a ticked "Enable" writes both of its keys again.
plan() {
  old=()
  allowed=()
  final=()
  actions=()
  local section key value
  while IFS=$'\t' read -r section key value; do
    old["$section/$key"]=$value
  done < <("$checker" --dump "$cfg/rds.ini")
  local k
  for k in "${!old[@]}"; do allowed[$k]=${old[$k]}; done

  local o=Other\ settings c d r t s b g
  c=${old[$o/Auto connect]}
  d=${old[$o/Auto on dps]}
  r=${old[$o/Auto on drt]}
  t=${old[$o/Auto to tray]}
  s=${old[$o/Show info window]}
  b=${old[$o/Show info taskbar]}
  g=${old[$o/TA,TP,PTY control]}
  if [ "$c" != 1 ]; then
    [ "$d" = 1 ] && store "$o/Auto on dps" 0
    [ "$r" = 1 ] && store "$o/Auto on drt" 0
    d=0 r=0
  fi
  if [ "$g" = 1 ]; then
    store "$o/TA,TP,PTY" 1
    store "$o/TA,TP,PTY control" 1
  fi

  click 50 243 # Other settings
  click 148 72 # Autostart
  c=$(flip "$c")
  click 249 76
  store "$o/Auto connect" "$c"
  if [ "$c" = 0 ]; then
    store "$o/Auto on dps" 0
    store "$o/Auto on drt" 0
    d=0 r=0
  fi
  click 249 96
  click 249 116
  if [ "$c" = 1 ]; then
    d=$(flip "$d")
    store "$o/Auto on dps" "$d"
    r=$(flip "$r")
    store "$o/Auto on drt" "$r"
  fi
  click 249 136
  store "$o/Auto to tray" "$(flip "$t")"

  click 160 105 # Name of days
  local day=$((RANDOM % 7)) name i
  name=${names[RANDOM % ${#names[@]}]}
  [ "$name" = "${old[Day of week/${days[$day]}]}" ] && name="${name}x"
  click "${day_x[$day]}" "${day_y[$day]}"
  # One keystroke at a time: "key" ends where the next command starts, "type" would not.
  actions+=(key --delay 20 ctrl+a)
  for ((i = 1; i <= ${#name}; i++)); do
    local letter=${name:i-1:1}
    actions+=("${letter/ /space}")
    store "Day of week/${days[$day]}" "${name:0:i}"
  done
  actions+=(sleep 0.02)

  click 150 139 # Show info
  click 249 76
  store "$o/Show info window" "$(flip "$s")"
  click 249 101
  store "$o/Show info taskbar" "$(flip "$b")"

  click 150 177 # Control PTY, TP, TA
  click 249 76
  g=$(flip "$g")
  store "$o/TA,TP,PTY" "$g"
  store "$o/TA,TP,PTY control" "$g"
}

# write_rules FILE [final]: the allowed values of every key the plan touches, as the checker reads
# them; with "final" only the values of a finished plan.
write_rules() {
  local k
  : >"$1"
  for k in "${!allowed[@]}"; do
    if [ "${2:-}" = final ]; then
      if [ -n "${final[$k]+set}" ]; then
        printf '%s\t%s\t%s\n' "${k%%/*}" "${k#*/}" "${final[$k]}" >>"$1"
      fi
    else
      printf '%s\t%s\t%s\n' "${k%%/*}" "${k#*/}" "${allowed[$k]}" >>"$1"
    fi
  done
}

fail() {
  failures=$((failures + 1))
  local where=$work/failure-$failures
  mkdir -p "$where"
  cp "$before" "$where/rds.ini.before"
  cp "$cfg/rds.ini" "$where/rds.ini.after" 2>/dev/null || true
  cp "$rules" "$where/allowed"
  echo "kill $1: $2 (see $where)" >&2
}

leftovers() { find "$cfg" -maxdepth 1 -name '.rds.ini.*' -printf '%f\n' | sort; }

before=$work/before.ini
rules=$work/allowed
finished_rules=$work/finished
RANDOM=$seed
echo "Kill test: $kills kills, seed $seed, display :$display"

# A full run first: it proves the clicks and keystrokes reach their fields, and its length sets
# the range of the kill moments.
plan
cp "$cfg/rds.ini" "$before"
start_panel
t0=$(now_ms)
xdotool "${actions[@]}"
span=$(($(now_ms) - t0 + 100))
sleep 0.5
write_rules "$rules" final
if ! "$checker" "$before" "$cfg/rds.ini" "$rules" 2>"$work/check.log"; then
  cat "$work/check.log" >&2
  fail 0 "the operator's changes did not all reach rds.ini"
  exit 1
fi
kill_panel
echo "One full round of changes takes $((span - 100)) ms; kills fall within $span ms of the window showing."

started=$(now_ms)
mid_write=0
untouched=0
completed=0
stale=0
declare -A stale_names
previous=""
for ((n = 1; n <= kills; n++)); do
  kill -0 "$encoder_pid" 2>/dev/null || { echo "The virtual encoder stopped." >&2; exit 1; }
  plan
  cp "$cfg/rds.ini" "$before"
  write_rules "$rules"
  write_rules "$finished_rules" final
  start_panel
  at_start=$(leftovers)
  for name in $previous; do
    if [ -e "$cfg/$name" ] && [ -z "${stale_names[$name]+set}" ]; then
      stale_names[$name]=1
      stale=$((stale + 1))
      echo "start $n: the temporary file $name left by an earlier kill is still there" >&2
    fi
  done
  xdotool "${actions[@]}" &
  driver_pid=$!
  moment=$((RANDOM % span))
  sleep "$((moment / 1000)).$(printf '%03d' $((moment % 1000)))"
  kill_panel

  now=$(leftovers)
  # A temporary file that was not there at the start is this kill's: it hit a write.
  if [ -n "$(comm -13 <(echo "$at_start") <(echo "$now"))" ]; then mid_write=$((mid_write + 1)); fi
  if ! "$checker" "$before" "$cfg/rds.ini" "$rules" 2>"$work/check.log"; then
    cat "$work/check.log" >&2
    fail "$n" "rds.ini does not hold the old or the new value of every key"
  elif cmp -s "$before" "$cfg/rds.ini"; then
    untouched=$((untouched + 1))
  elif "$checker" "$before" "$cfg/rds.ini" "$finished_rules" 2>/dev/null; then
    completed=$((completed + 1))
  fi
  previous=$now
  if ((n % 100 == 0)); then
    echo "$n kills, $(($(now_ms) - started)) ms, $mid_write during a write, $failures failed," \
      "$stale stale temporary files"
  fi
done

echo "Kills: $kills; rds.ini unchanged: $untouched, every change in: $completed," \
  "partly changed: $((kills - untouched - completed - failures))"
echo "Kills during a write (a temporary file was left): $mid_write"
echo "Wrong or damaged rds.ini: $failures"
echo "Temporary files still there after the next start: $stale"
[ "$failures" -eq 0 ] && [ "$stale" -eq 0 ]
