#!/bin/bash
# Runs one Windows program under Wine, headless, for CTest and the scripts:
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#   wine-run.sh --stop     (ends the wineserver of the prefix; used as a test fixture)
#
# - The Wine prefix is private to the build folder that holds PROGRAM.exe
#   (<build>/wineprefix), or TARNWICK_WINEPREFIX when set. It is made once, under
#   a lock, with the null graphics driver: hidden windows, FindWindow, posted
#   messages between processes, named mutexes and message boxes work without an
#   X server.
# - Wine never sees the caller's pipes: wineserver and Wine's background
#   processes would keep them open (and CTest would wait for them). The program's
#   output goes to files that are printed after it exits.
# - The wineserver stays up between programs (-p) and ends by itself a little
#   while after the last one; `--stop` ends it at once.
# The exit code is the program's.
set -u

die() { echo "wine-run.sh: $*" >&2; exit 125; }
[ $# -ge 1 ] || die "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...] | --stop [BUILD_DIR]"

# Debian's /usr/bin/wineserver forces -p0; call the real server binary directly.
find_wineserver() {
  local c
  for c in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver /usr/lib/x86_64-linux-gnu/wine/wineserver; do
    [ -x "$c" ] && { echo "$c"; return; }
  done
  command -v wineserver || die "wineserver not found (install wine and wine64)"
}

# The build folder is the nearest parent of the program with a CMakeCache.txt.
find_build_dir() {
  local d
  d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || return 1
  while [ "$d" != "/" ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return 0; }
    d=$(dirname "$d")
  done
  return 1
}

choose_prefix() {
  if [ -n "${TARNWICK_WINEPREFIX:-}" ]; then
    case "$TARNWICK_WINEPREFIX" in
      /*) echo "$TARNWICK_WINEPREFIX" ;;
      *) echo "$PWD/$TARNWICK_WINEPREFIX" ;;
    esac
  elif build=$(find_build_dir "$1"); then
    echo "$build/wineprefix"
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/wineprefix"
  fi
}

# Runs a command with no inherited descriptors but its own files.
run_detached() {
  local out=$1 err=$2; shift 2
  (
    for fd in /proc/$BASHPID/fd/*; do
      fd=${fd##*/}
      [ "$fd" -gt 2 ] 2>/dev/null && eval "exec $fd>&-" 2>/dev/null
    done
    exec "$@" </dev/null >"$out" 2>"$err"
  )
}

export WINEDEBUG=-all
# winedbg stays out: a crashed program ends, as on Windows with no debugger registered,
# instead of being held open by the debugger until the test times out.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=win64
WINESERVER=$(find_wineserver)
export WINESERVER
unset DISPLAY WAYLAND_DISPLAY

if [ "$1" = "--stop" ]; then
  if [ $# -ge 2 ]; then
    WINEPREFIX="$(cd "$2" 2>/dev/null && pwd)/wineprefix" || exit 0
  else
    WINEPREFIX=$(choose_prefix "$PWD/x")
  fi
  export WINEPREFIX
  [ -d "$WINEPREFIX" ] && run_detached /dev/null /dev/null "$WINESERVER" -k
  exit 0
fi

program=$1; shift
[ -f "$program" ] || die "no such program: $program"
WINEPREFIX=$(choose_prefix "$program")
export WINEPREFIX
mkdir -p "$(dirname "$WINEPREFIX")" || die "cannot create $(dirname "$WINEPREFIX")"

# Makes the prefix once; a second test waiting on the lock finds it ready.
make_prefix() {
  [ -f "$WINEPREFIX/.tarnwick-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  echo "wine-run.sh: making the Wine prefix $WINEPREFIX (once, about 15 s)" >&2
  local log="$WINEPREFIX.log"
  run_detached "$log" "$log" wine wineboot --init || { cat "$log" >&2; return 1; }
  run_detached "$log" "$log" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
    || { cat "$log" >&2; return 1; }
  # Let the registry reach the disk before anybody else uses the prefix.
  run_detached /dev/null /dev/null "$WINESERVER" -w
  touch "$WINEPREFIX/.tarnwick-ready"
}
(
  flock 9 || exit 1
  make_prefix
) 9>"$WINEPREFIX.lock" || die "could not make the Wine prefix $WINEPREFIX"

# A server that outlives single programs; when one already runs this one quits.
run_detached /dev/null /dev/null "$WINESERVER" -p"${TARNWICK_WINESERVER_LINGER:-30}"

outdir=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX") || die "mktemp failed"
trap 'rm -rf "$outdir"' EXIT
run_detached "$outdir/out" "$outdir/err" wine "$program" "$@"
status=$?
cat "$outdir/out"
cat "$outdir/err" >&2
exit $status
