#!/usr/bin/env bash
# Runs a Windows program under Wine in a 32-bit prefix owned by a build folder.
#
#   wine-run.sh [--state-dir DIR] [--] PROGRAM [ARGS...]   run, forwarding the exit code
#   wine-run.sh [--state-dir DIR] --start-session          Xvfb + persistent wineserver
#   wine-run.sh [--state-dir DIR] --stop-session           stop both again
#
# DIR (default: $BRISKO_WINE_STATE) holds the prefix (DIR/prefix, created on
# first use under a lock, so parallel callers are safe), the session record
# and logs. A session keeps one Xvfb display and one wineserver for a whole
# test run; without one, a program gets a private Xvfb for its own run.
# A DISPLAY set by the caller is always used as it is.
# WINEDEBUG defaults to -all. Wine's diagnostics go to stderr and never
# change the exit code.
set -uo pipefail

die() { echo "wine-run: $*" >&2; exit 125; }

state_dir="${BRISKO_WINE_STATE:-}"
mode=run
while [ $# -gt 0 ]; do
  case "$1" in
    --state-dir) [ $# -ge 2 ] || die "--state-dir needs a value"; state_dir="$2"; shift 2 ;;
    --state-dir=*) state_dir="${1#*=}"; shift ;;
    --start-session) mode=start; shift ;;
    --stop-session) mode=stop; shift ;;
    --) shift; break ;;
    -*) die "unknown option $1" ;;
    *) break ;;
  esac
done
[ -n "$state_dir" ] || die "no state folder (--state-dir DIR or BRISKO_WINE_STATE)"
mkdir -p "$state_dir" || die "cannot create $state_dir"
state_dir="$(cd "$state_dir" && pwd)"

WINE="${BRISKO_WINE:-wine}"
WINESERVER="${BRISKO_WINESERVER:-wineserver}"
command -v "$WINE" >/dev/null || die "$WINE not found (run scripts/bootstrap.sh)"

if [ -z "${HOME:-}" ]; then
  HOME="$(getent passwd "$(id -u)" | cut -d: -f6)"
  export HOME
fi
export WINEARCH=win32
export WINEPREFIX="$state_dir/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko download prompts, no menu entries in the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

session_file="$state_dir/session"
ready_mark="$WINEPREFIX/.brisko-ready"

# Bump when the prefix settings below change: prefixes are then made anew.
prefix_id="brisko-prefix-1 $("$WINE" --version 2>/dev/null)"

# Settings for unattended runs: a crash prints a backtrace and ends the
# program instead of opening a dialog; windows are unmanaged, so hiding one
# does not wait 2 s for a window manager that Xvfb does not have.
write_prefix_settings() {
  cat >"$state_dir/prefix-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
}

ensure_prefix() {
  [ "$(cat "$ready_mark" 2>/dev/null)" = "$prefix_id" ] && return 0
  local lock_fd
  exec {lock_fd}>"$state_dir/prefix.lock"
  flock "$lock_fd"
  if [ "$(cat "$ready_mark" 2>/dev/null)" != "$prefix_id" ]; then
    local t0=$SECONDS log="$state_dir/wineboot.log"
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    write_prefix_settings
    if ! (unset DISPLAY
          "$WINE" wineboot --init &&
          "$WINE" regedit /S "$state_dir/prefix-settings.reg") </dev/null >"$log" 2>&1; then
      flock -u "$lock_fd"
      die "creating the Wine prefix failed, see $log"
    fi
    # Wait for the registry to be written out.
    timeout 120 "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    echo "$prefix_id" >"$ready_mark"
    echo "wine-run: created $WINEPREFIX in $((SECONDS - t0)) s" >&2
  fi
  flock -u "$lock_fd"
  exec {lock_fd}>&-
}

xvfb_alive() { # pid
  [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = Xvfb ]
}

# Starts Xvfb on a free display; sets xvfb_pid and xvfb_display.
start_xvfb() {
  command -v Xvfb >/dev/null || die "Xvfb not found (run scripts/bootstrap.sh)"
  local fdfile="$state_dir/xvfb.display.$$"
  rm -f "$fdfile"
  # Own session, no inherited pipes: it outlives the CTest setup step.
  setsid Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 \
    3>"$fdfile" </dev/null >"$state_dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  xvfb_display=":$(tr -dc 0-9 <"$fdfile" 2>/dev/null)"
  rm -f "$fdfile"
  if [ "$xvfb_display" = ":" ]; then
    kill "$xvfb_pid" 2>/dev/null
    die "Xvfb did not start, see $state_dir/xvfb.log"
  fi
}

stop_xvfb() { # pid
  xvfb_alive "$1" || return 0
  kill "$1" 2>/dev/null
  local i
  for i in $(seq 50); do xvfb_alive "$1" || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null
}

# Reads the session record: session_display, session_xvfb_pid.
read_session() {
  session_display="" session_xvfb_pid=""
  [ -f "$session_file" ] || return 1
  local k v
  while IFS='=' read -r k v; do
    case "$k" in
      display) session_display="$v" ;;
      xvfb_pid) session_xvfb_pid="$v" ;;
    esac
  done <"$session_file"
  [ -n "$session_display" ]
}

stop_session() {
  local ws=""
  if [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 &
    ws=$!
  fi
  if read_session; then
    stop_xvfb "$session_xvfb_pid"
  fi
  [ -z "$ws" ] || wait "$ws"
  rm -f "$session_file"
}

start_session() {
  stop_session
  ensure_prefix
  local display xpid=""
  if [ -n "${DISPLAY:-}" ]; then
    display="$DISPLAY"
  else
    start_xvfb
    display="$xvfb_display" xpid="$xvfb_pid"
  fi
  printf 'display=%s\nxvfb_pid=%s\n' "$display" "$xpid" >"$session_file.tmp"
  mv "$session_file.tmp" "$session_file"
  # A wineserver for the whole run, and Wine's background processes started
  # now with no pipes of a test attached.
  # Bounded persistence: a session whose stop step never ran ends by itself.
  DISPLAY="$display" "$WINESERVER" -p300 </dev/null >/dev/null 2>&1
  DISPLAY="$display" "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
  echo "wine-run: session on DISPLAY=$display, prefix $WINEPREFIX"
}

run_program() {
  [ $# -ge 1 ] || die "no program given"
  ensure_prefix
  local private_xvfb=""
  if [ -z "${DISPLAY:-}" ]; then
    if read_session && { [ -z "$session_xvfb_pid" ] || xvfb_alive "$session_xvfb_pid"; }; then
      export DISPLAY="$session_display"
    else
      start_xvfb
      private_xvfb="$xvfb_pid"
      export DISPLAY="$xvfb_display"
    fi
  fi
  local rc=0
  "$WINE" "$@" || rc=$?
  if [ -n "$private_xvfb" ]; then
    stop_xvfb "$private_xvfb"
  fi
  return "$rc"
}

case "$mode" in
  start) start_session ;;
  stop) stop_session; echo "wine-run: session stopped" ;;
  run) run_program "$@"; exit $? ;;
esac
