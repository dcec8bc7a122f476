#!/usr/bin/env bash
# Runs Dabrix against the gauge simulator, in a configuration folder of its own:
#   scripts/demo.sh [builddir]        (default: build)
#
# The simulator sends a reading every second on a pseudo-terminal that it registers as a
# COM port; MSave.ini chooses the "Manual" gauge on that port, so pressing Connect in
# Dabrix shows the readings. The simulator stops when Dabrix ends.
set -euo pipefail

build=${1:-build}
if [ ! -d "$build" ]; then
  echo "demo: no build folder '$build' (run 'make build' first)" >&2
  exit 1
fi
build=$(cd "$build" && pwd)
sim=$build/tools/dabrix-gauge-sim
app=$build/app/dabrix
for exe in "$sim" "$app"; do
  if [ ! -x "$exe" ]; then
    echo "demo: $exe is missing (run 'make build' first)" >&2
    exit 1
  fi
done

# Without a display, run under a virtual one, or say why not.
run=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null 2>&1; then
    echo "demo: no display; running under xvfb-run (nothing will be visible)" >&2
    run=(xvfb-run -a)
  else
    echo "demo: no display (DISPLAY and WAYLAND_DISPLAY are empty) and no xvfb-run;" >&2
    echo "      start it from a desktop session, or install xvfb (scripts/install-deps.sh)." >&2
    exit 1
  fi
fi

# Dabrix keeps its settings in $XDG_CONFIG_HOME/Dabrix.
export XDG_CONFIG_HOME=$build/demo-config
# The demo plays its gauge on a COM port; USB comes from a simulated bus (an empty folder
# unless a *.usb file is dropped in), so it also runs where no udev daemon does.
export DABRIX_USB_SIM=${DABRIX_USB_SIM:-$build/demo-usb}
mkdir -p "$DABRIX_USB_SIM"
config=$XDG_CONFIG_HOME/Dabrix
mkdir -p "$config"

# Start the simulator; its first output line names its COM port.
out=$(mktemp "$config/sim-out.XXXXXX")
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$sim" --config "$config" --generate --interval 1000 --baud 9600 --log "$config/gauge-sim.log" >"$out" &
sim_pid=$!
port=
for _ in $(seq 1 100); do
  port=$(sed -n '1s/^COM\([0-9][0-9]*\)$/\1/p' "$out")
  [ -n "$port" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "demo: the gauge simulator did not start (see $config/gauge-sim.log)" >&2
    exit 1
  fi
  sleep 0.05
done
if [ -z "$port" ]; then
  echo "demo: the gauge simulator named no COM port" >&2
  exit 1
fi

# Choose the "Manual" gauge (Device 0) at 9600 baud on the simulator's port, keeping
# every other setting of an earlier demo run.
ini=$config/MSave.ini
set_key() {  # set_key SECTION KEY VALUE: replace or add KEY in [SECTION] of $ini
  local tmp
  tmp=$(mktemp "$config/MSave.XXXXXX")
  awk -v section="$1" -v key="$2" -v value="$3" '
    function flush() { if (in_section && !done) { print key "=" value; done = 1 } }
    /^[ \t]*\[/ {
      flush()
      name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
      gsub(/^[ \t]+|[ \t]+$/, "", name)
      in_section = (tolower(name) == tolower(section))
      print; next
    }
    in_section && !done {
      k = $0; sub(/=.*$/, "", k); gsub(/^[ \t]+|[ \t]+$/, "", k)
      if (index($0, "=") && tolower(k) == tolower(key)) { print k "=" value; done = 1; next }
    }
    { print }
    END {
      flush()
      if (!done) { if (NR) print ""; print "[" section "]"; print key "=" value }
    }' "$ini" >"$tmp"
  mv "$tmp" "$ini"
}
touch "$ini"
set_key Config Device 0
set_key Config Port "$port"
set_key Config Baud 9600

echo "demo: gauge simulator on COM$port (log: $config/gauge-sim.log); press Connect in Dabrix" >&2
status=0
"${run[@]}" "$app" || status=$?
exit "$status"
