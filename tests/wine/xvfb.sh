#!/bin/sh
# Starts and stops the X server on which Windows test programs show their windows.
#
#   xvfb.sh start <state file>
#       Starts Xvfb on a free display number and writes "pid=<pid>" and "display=:<n>" into the
#       state file once the server accepts connections.
#   xvfb.sh stop <state file>
#       Ends the server that the state file names, by its pid, and removes the file.
#
# The server listens on its local socket only and lets every local user connect: the programs run
# as "nobody" when the tests run as root.
set -eu

command=${1:-}
state=${2:-}
[ -n "$state" ] || { echo "usage: xvfb.sh start|stop <state file>" >&2; exit 2; }

case "$command" in
  start)
    mkdir -p "$(dirname "$state")"
    rm -f "$state"
    ready="$state.display"
    rm -f "$ready"
    # -displayfd makes the server pick the first free display number and write it once it is
    # ready; its output goes to a log file so that CTest does not wait on the server's pipes.
    Xvfb -displayfd 9 -nolisten tcp -ac -screen 0 1024x768x24 9>"$ready" >"$state.log" 2>&1 </dev/null &
    pid=$!
    tries=0
    while [ ! -s "$ready" ]; do
      if ! kill -0 "$pid" 2>/dev/null; then
        echo "Xvfb ended at start; its log:" >&2
        cat "$state.log" >&2
        exit 1
      fi
      tries=$((tries + 1))
      if [ "$tries" -gt 200 ]; then
        kill "$pid"
        echo "Xvfb did not become ready within 10 s" >&2
        exit 1
      fi
      sleep 0.05
    done
    display=$(tr -d '\n' <"$ready")
    rm -f "$ready"
    printf 'pid=%s\ndisplay=:%s\n' "$pid" "$display" >"$state"
    echo "Xvfb $pid on display :$display"
    ;;
  stop)
    [ -f "$state" ] || { echo "no X server recorded in $state"; exit 0; }
    pid=$(sed -n 's/^pid=//p' "$state")
    rm -f "$state"
    # The pid is only ended when it still is an Xvfb, in case the number was reused since.
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
      kill "$pid"
      tries=0
      while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 100 ]; do
        tries=$((tries + 1))
        sleep 0.05
      done
      echo "Xvfb $pid ended"
    fi
    ;;
  *)
    echo "usage: xvfb.sh start|stop <state file>" >&2
    exit 2
    ;;
esac
