#!/usr/bin/env bash
# Builds the Debian package and checks it the way an administrator and an operator meet
# it: lintian, the installed layout, the menu entry and metadata validators, and the
# launcher run from an unpacked root with a throw-away home folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

bash "$root/tools/install_deps.sh" lintian desktop-file-utils appstream file poppler-utils
bash "$root/tools/package.sh"

version="$(sed -n 's/^project([A-Za-z]* VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
deb="$build/package/markerreport_${version}_$(dpkg --print-architecture).deb"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }
check() { # check <description> <command...>
  local what="$1"
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- The package as Debian's tools see it -------------------------------------------
echo "== lintian"
lintian_status=0
lintian --fail-on error,warning --display-info --pedantic "$deb" || lintian_status=$?
check "lintian reports no error and no warning" test "$lintian_status" -eq 0

field() { dpkg-deb -f "$deb" "$1"; }
check "the package version is the project version $version" test "$(field Version)" = "$version"
depends="$(field Depends)"
for dep in libqt5webkit5 libqt5widgets5 libqt5network5 libqt5printsupport5 fonts-liberation2; do
  check "Depends names $dep" grep -q "\b$dep\b" <<<"$depends"
done
apt_can_install() { apt-get install -s "$deb" >"$work/apt.log" 2>&1; }
check "apt can satisfy the dependencies" apt_can_install

# --- Layout -----------------------------------------------------------------------
sysroot="$work/root"
dpkg-deb -x "$deb" "$sysroot"
share="$sysroot/usr/share/markerreport"
program="$sysroot/usr/lib/markerreport/markerreport"
launcher="$sysroot/usr/bin/markerreport"
is_elf_program() { [ -x "$1" ] && file -b "$1" | grep -q "^ELF .*executable"; }
is_sh_script() { [ -x "$1" ] && head -n1 "$1" | grep -qx "#!/bin/sh" && sh -n "$1"; }
is_ico() { file -b "$1" | grep -q "icon resource"; }
is_png_of_size() { file -b "$1" | grep -q "PNG image data, $2 x $2,"; }
# A complete PDF (it ends with its end-of-file marker) holding the pictures of the windows.
is_manual_with_pictures() {
  [ "$(head -c5 "$1")" = "%PDF-" ] && tail -c 32 "$1" | grep -q "%%EOF" &&
    [ "$(pdfimages -list "$1" | tail -n +3 | wc -l)" -ge 12 ]
}
check "the program is an ELF executable in /usr/lib/markerreport" is_elf_program "$program"
check "the launcher is a POSIX shell script" is_sh_script "$launcher"
executables="$(cd "$sysroot" && find . -type f -perm -u+x | sort | tr '\n' ' ')"
check "the launcher and the program are the only executables" \
  test "$executables" = "./usr/bin/markerreport ./usr/lib/markerreport/markerreport "
check "no shared library is bundled" test -z "$(find "$sysroot" -name '*.so*')"
for t in 1 2 3; do
  for suffix in "" _eng _rus; do
    check "template Shablon_type_$t$suffix.html is installed" \
      cmp -s "$root/data/docs/Shablon_type_$t$suffix.html" "$share/docs/Shablon_type_$t$suffix.html"
  done
done
for icon in doc new edit view print refresh text-editor login folder-search; do
  check "icon $icon.ico is installed" is_ico "$share/icons/$icon.ico"
done
manual="$share/help/User manual.pdf"
check "the user manual is a complete PDF with the pictures of the windows" is_manual_with_pictures "$manual"
for size in 16 22 24 32 48 64 128 256; do
  png="$sysroot/usr/share/icons/hicolor/${size}x${size}/apps/markerreport.png"
  check "the theme icon is $size x $size" is_png_of_size "$png" "$size"
done
check "the manual page is installed" test -s "$sysroot/usr/share/man/man1/markerreport.1.gz"
check "the copyright file is installed" test -s "$sysroot/usr/share/doc/markerreport/copyright"

desktop="$(find "$sysroot/usr/share/applications" -name '*.desktop')"
metainfo="$(find "$sysroot/usr/share/metainfo" -name '*.metainfo.xml')"
echo "== desktop-file-validate $(basename "$desktop")"
check "the menu entry is valid" desktop-file-validate "$desktop"
check "the menu entry shows the program's icon" grep -qx "Icon=markerreport" "$desktop"
echo "== appstreamcli validate --no-net $(basename "$metainfo")"
check "the AppStream metadata are valid" appstreamcli validate --no-net "$metainfo"
check "the AppStream metadata launch the menu entry" \
  grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo"

# --- The launcher, run from the unpacked root ---------------------------------------
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home"
export XDG_DATA_HOME="$work/data"
unset MARKERREPORT_APP_DIR
mkdir -p "$HOME"

# Waits until the process runs the installed program in the given directory.
running_in() { # running_in <pid> <dir> <seconds>
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    kill -0 "$1" 2>/dev/null || return 1
    if [ "$(readlink "/proc/$1/exe")" = "$program" ] && [ "$(readlink "/proc/$1/cwd")" = "$2" ]; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}
wait_for() { # wait_for <test operator> <path> <seconds>
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    test "$1" "$2" && return 0
    sleep 0.1
  done
  return 1
}
stop() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
same_tree() { diff -r "$1" "$2" >/dev/null; }
same_templates() { # same_templates <shipped docs> <user docs>
  local f
  for f in "$1"/*.html; do cmp -s "$f" "$2/${f##*/}" || return 1; done
}

appdir="$XDG_DATA_HOME/markerreport"
echo "== first start"
"$launcher" >"$work/first.log" 2>&1 &
pid=$!
pids+=("$pid")
check "the launcher starts the program in \$XDG_DATA_HOME/markerreport" running_in "$pid" "$appdir" 60
check "the program writes its settings file at the first start" wait_for -s "$appdir/settings/settings.ini" 60
stop "$pid"
for part in icons help; do
  check "the launcher copied $part" same_tree "$share/$part" "$appdir/$part"
done
check "the launcher copied every template" same_templates "$share/docs" "$appdir/docs"

echo "== second start after the lab's changes and a newer package"
docs="$appdir/docs"
printf '<!-- changed by the lab -->\n' >>"$docs/Shablon_type_1_eng.html"
cp "$docs/Shablon_type_1_eng.html" "$work/lab-template.html"
rm "$docs/Shablon_type_2_rus.html"
printf 'not an icon\n' >"$appdir/icons/new.ico"
rm "$appdir/help/User manual.pdf"
# A newer package changes two templates: one the lab changed, one it left alone.
for name in Shablon_type_1_eng.html Shablon_type_3_eng.html; do
  printf '<!-- newer version -->\n' >>"$share/docs/$name"
done
"$launcher" >"$work/second.log" 2>&1 &
pid=$!
pids+=("$pid")
check "the second start runs the program in the same directory" running_in "$pid" "$appdir" 60
# With its settings in place the program gets through its start and makes its PDF folder.
check "the program creates reportsPDF in the application directory" wait_for -d "$appdir/reportsPDF" 60
stop "$pid"
check "a template the lab changed is kept" cmp -s "$work/lab-template.html" "$docs/Shablon_type_1_eng.html"
check "a missing template is copied again" cmp -s "$share/docs/Shablon_type_2_rus.html" "$docs/Shablon_type_2_rus.html"
check "an unchanged template follows the newer package" \
  cmp -s "$share/docs/Shablon_type_3_eng.html" "$docs/Shablon_type_3_eng.html"
check "the icons are refreshed" same_tree "$share/icons" "$appdir/icons"
check "the manual is refreshed" same_tree "$share/help" "$appdir/help"

echo "== the menu entry's command"
exec_line="$(sed -n 's/^Exec=//p' "$desktop" | head -n1)"
# Field codes such as %f stand for files handed over by the desktop; there are none here.
read -r -a command <<<"${exec_line//\%[fFuUick]/}"
menu_data="$work/menu-data"
(export XDG_DATA_HOME="$menu_data" PATH="$sysroot/usr/bin:$PATH" && exec "${command[@]}") \
  >"$work/menu.log" 2>&1 &
pid=$!
pids+=("$pid")
check "the menu entry starts the program in the user's application directory" \
  running_in "$pid" "$menu_data/markerreport" 60
check "the menu entry's start writes the settings file" wait_for -s "$menu_data/markerreport/settings/settings.ini" 60
stop "$pid"

echo "== one shared application directory"
shared="$work/lab-reports"
"$launcher" --app-dir "$shared" >"$work/shared.log" 2>&1 &
pid=$!
pids+=("$pid")
check "--app-dir starts the program in the given directory" running_in "$pid" "$shared" 60
stop "$pid"
check "--app-dir prepares the given directory" test -s "$shared/docs/Shablon_type_1_eng.html"

echo "== failures"
blocked="$work/blocked"
mkdir -p "$blocked"
printf 'a file in the way\n' >"$blocked/markerreport"
status=0
XDG_DATA_HOME="$blocked" timeout 30 "$launcher" >"$work/blocked.out" 2>"$work/blocked.err" || status=$?
check "a directory that cannot be prepared stops the launcher with status 1" test "$status" -eq 1
check "the failure is explained on stderr" grep -q "cannot prepare the application directory" "$work/blocked.err"
status=0
timeout 30 "$launcher" --no-such-option >/dev/null 2>&1 || status=$?
check "an unknown argument is refused with status 2" test "$status" -eq 2

if [ "$failed" -ne 0 ]; then
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")"
    cat "$log"
  done
fi
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
