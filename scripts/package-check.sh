#!/usr/bin/env bash
# Checks the Debian package that `make package` built:
#   scripts/package-check.sh [builddir]          (default: build-package)
#
# 1. desktop-file-validate and appstreamcli on the files inside the package, lintian on it;
# 2. as root only: installs it with apt-get, starts Dabrix from its desktop entry's Exec
#    line under Xvfb in German, waits for its window, asks it to close with unsaved text
#    (a German question with German buttons), then removes the package again and checks
#    that none of its files is left.
# With SHOTS=<folder>, the screen is saved there as dabrix-installed-de.png (the window)
# and dabrix-installed-de-question.png (the question).
set -euo pipefail

build=${1:-build-package}
here=$(cd "$(dirname "$0")" && pwd)
"$here/install-deps.sh" xdotool x11-apps netpbm

shopt -s nullglob
debs=("$build"/dabrix_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "package-check: expected one dabrix_*.deb in $build (run 'make package')" >&2
  exit 1
fi
deb=$(cd "$(dirname "${debs[0]}")" && pwd)/$(basename "${debs[0]}")
work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb -x "$deb" "$work/root"
echo "== desktop-file-validate"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
echo "== lintian"
lintian --fail-on error --display-info "$deb"

if [ "$(id -u)" -ne 0 ]; then
  echo "package-check: not root; installing and removing the package skipped" >&2
  exit 0
fi

echo "== apt-get install $deb"
export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' dabrix 2>/dev/null | grep -q 'install ok installed'; then
  echo "package-check: dabrix is installed already; remove it first" >&2
  exit 1
fi
apt-get install -y "$deb"
dpkg-query -L dabrix >"$work/files"

desktop=$(grep '/usr/share/applications/.*\.desktop$' "$work/files")
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
echo "== starting '$exec_line' (from $desktop) under Xvfb, in German"
mkdir -p "$work/home/.config/Dabrix"
printf '[System]\nLanguage=de\n' >"$work/home/.config/Dabrix/MSave.ini"
cat >"$work/session.sh" <<'EOF'
#!/usr/bin/env bash
# Runs inside the virtual display: the program, its window, the close question.
set -euo pipefail
# shot FILE [WINDOW]: the screen; a window mapped over it (a message box) is taken on its
# own and pasted in, since the root window's picture lacks it under Xvfb.
shot() {
  [ -n "${SHOTS:-}" ] || return 0
  if [ -z "${2:-}" ]; then
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$SHOTS/$1"
    return
  fi
  local geo x y
  geo=$(LC_ALL=C xwininfo -id "$2")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geo")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geo")
  xwd -id "$2" -silent | xwdtopnm 2>/dev/null >"$SHOTS/.box.pnm"
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmpaste -replace "$SHOTS/.box.pnm" "$x" "$y" | pnmtopng >"$SHOTS/$1"
  rm -f "$SHOTS/.box.pnm"
}
# The desktop entry's Exec line, run as a launcher runs it (no field codes in ours).
sh -c "$EXEC_LINE" &
app=$!
# The window, or a message box that came up at start (a fault: none should): that one is
# noted, pictured and closed with its default button, and the check goes on.
window=
boxes=0
for _ in $(seq 1 300); do
  window=$(xdotool search --onlyvisible --name ' - Dabrix$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  box=$(xdotool search --onlyvisible --name '^Dabrix$' 2>/dev/null | head -n 1 || true)
  if [ -n "$box" ]; then
    boxes=$((boxes + 1))
    sleep 1
    echo "a message box came up at start" >&2
    shot "dabrix-installed-de-startup-box-$boxes.png" "$box"
    xdotool windowfocus --sync "$box" key Return
  fi
  sleep 0.1
done
[ -n "$window" ] || { echo "no Dabrix window" >&2; kill "$app"; exit 1; }
sleep 1
title=$(xdotool getwindowname "$window")
echo "window: $title"
[ "$title" = "Unbenannt - Dabrix" ] || { echo "not the German window" >&2; kill "$app"; exit 1; }
shot dabrix-installed-de.png
# Unsaved text, then Alt+F4 (Beenden): the program asks whether to save it.
xdotool windowfocus --sync "$window" type --delay 20 'Messwert 12,5 um'
xdotool key --window "$window" alt+F4
question=$(timeout 10 xdotool search --sync --onlyvisible --name '^Dabrix$' | head -n 1)
sleep 2
shot dabrix-installed-de-question.png "$question"
# Nein: close without saving.
xdotool windowfocus --sync "$question" key n
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
  echo "Dabrix did not close" >&2
  kill "$app"
  exit 1
fi
wait "$app"
[ "$boxes" -eq 0 ] || { echo "$boxes message box(es) came up at start" >&2; exit 1; }
EOF
chmod +x "$work/session.sh"
if [ -n "${SHOTS:-}" ]; then mkdir -p "$SHOTS"; SHOTS=$(cd "$SHOTS" && pwd); fi
session=0
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work \
  LANG=de_DE.UTF-8 EXEC_LINE=$exec_line SHOTS=${SHOTS:-} \
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/session.sh" || session=$?
grep -q '^Language=de' "$work/home/.config/Dabrix/MSave.ini" || session=1

echo "== apt-get purge dabrix"
apt-get purge -y dabrix
left=()
while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then left+=("$path"); fi
done <"$work/files"
for dir in /usr/share/dabrix /usr/share/doc/dabrix; do
  [ -e "$dir" ] && left+=("$dir")
done
if [ ${#left[@]} -ne 0 ]; then
  echo "package-check: left behind: ${left[*]}" >&2
  exit 1
fi
if [ "$session" -ne 0 ]; then
  echo "package-check: the program's run under Xvfb failed (see above); the package was removed" >&2
  exit 1
fi
echo "package-check: installed, started, removed; nothing left behind"
