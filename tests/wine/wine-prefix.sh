#!/bin/sh
# Runs Windows test programs under Wine, each in a fresh prefix of its own.
#
#   wine-prefix.sh template <template folder>
#       Makes the template prefix once (it takes 6 to 20 s): created by the user that runs the
#       programs, with Wine's window manager wait and its crash debugger switched off.
#   wine-prefix.sh copy <template folder> <work folder>
#       Copies the template into a fresh work folder (large files as hard links).
#   wine-prefix.sh run <work folder> <program.exe> [argument ...]
#       Runs a program in the work folder's prefix as that user, waits until every process of the
#       prefix has ended, and exits with the program's status. DISPLAY, TZ and WINEDLLOVERRIDES
#       are passed on.
#   wine-prefix.sh stop <work folder>
#       Ends whatever still runs in the work folder's prefix (after a run that was cut short).
#   wine-prefix.sh once <template folder> <program.exe> [argument ...]
#       copy + run in a temporary work folder that is removed afterwards (CTest's emulator).
#
# Programs run as the user "nobody" when the script runs as root: as root, Wine writes into
# read-only files and folders, which Windows refuses; as an ordinary user it refuses them too.
set -eu

wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

if [ "$(id -u)" = 0 ]; then
  as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"; }
  owner=nobody:nogroup
else
  as_user() { "$@"; }
  owner=""
fi

# Runs a command in the prefix of work folder $1.
in_prefix() {
  work=$1
  shift
  as_user env HOME="$work/home" WINEPREFIX="$work/prefix" WINEDEBUG=-all \
    XDG_RUNTIME_DIR="$work/home" "$@"
}

# The recipe of the template below; a template made by another recipe is made again.
recipe=2

make_template() {
  template=$1
  mkdir -p "$template"
  exec 9>"$template.lock"
  flock 9
  if [ "$(cat "$template/ready" 2>/dev/null)" = "$recipe" ]; then
    return 0
  fi
  rm -f "$template/ready"
  rm -rf "$template/prefix" "$template/home"
  mkdir -p "$template/home"
  [ -z "$owner" ] || chown -R "$owner" "$template"
  in_prefix "$template" "$wine64" wineboot -i >/dev/null 2>&1
  # Without a window manager Wine waits 2 s whenever a window closes, unless windows are unmanaged.
  in_prefix "$template" "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A crash must end the program at once with its exception code. Without a Debugger value Wine
  # still starts its own debugger, which attaches and makes the status 0; a debugger that cannot
  # be started lets the crash end the program.
  in_prefix "$template" "$wine64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d 'no-debugger-for-tests %ld %ld' /f >/dev/null 2>&1
  in_prefix "$template" "$wineserver" -w
  echo "$recipe" >"$template/ready"
}

copy_template() {
  template=$1
  work=$2
  [ -f "$template/ready" ] || { echo "no template prefix in $template" >&2; exit 2; }
  rm -rf "$work"
  mkdir -p "$work"
  cp -al "$template/prefix" "$work/prefix"
  mkdir -p "$work/home"
  # Files that Wine or the tests rewrite in place must not be shared with the template.
  for file in "$work"/prefix/*.reg "$work"/prefix/drive_c/windows/win.ini "$work"/prefix/drive_c/windows/system.ini; do
    [ -f "$file" ] || continue
    cp --remove-destination "$template/prefix/${file#"$work"/prefix/}" "$file"
  done
  rm -f "$work/prefix/wineserver"
  # The user folders link into the template's home; make them plain folders of this prefix.
  find "$work/prefix/drive_c/users" -type l -exec sh -c 'rm "$1" && mkdir "$1"' _ {} \;
  [ -z "$owner" ] || chown -R "$owner" "$work"
}

stop_prefix() {
  in_prefix "$1" "$wineserver" -k 2>/dev/null || true
  in_prefix "$1" "$wineserver" -w 2>/dev/null || true
}

run_program() {
  work=$1
  shift
  status=0
  in_prefix "$work" "$wine64" "$@" || status=$?
  stop_prefix "$work"
  return $status
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
  template) make_template "$1" ;;
  copy) copy_template "$1" "$2" ;;
  run) run_program "$@" ;;
  stop) stop_prefix "$1" ;;
  once)
    template=$1
    shift
    work=$(mktemp -d "${TMPDIR:-/tmp}/lexorin-wine-XXXXXX")
    copy_template "$template" "$work"
    status=0
    run_program "$work" "$@" || status=$?
    rm -rf "$work"
    exit $status
    ;;
  *)
    echo "usage: wine-prefix.sh template|copy|run|stop|once ..." >&2
    exit 2
    ;;
esac
