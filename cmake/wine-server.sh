#!/bin/sh
# Starts or stops the Wine server of one build tree's test run.
#
#   wine-server.sh start PREFIX   make the prefix ready and leave its server running
#   wine-server.sh stop PREFIX    shut the server down
#
# One persistent server serves every test of the run, however the tests are
# spread over time or run in parallel, so no test waits on a server that is
# just exiting and no server directory is removed under a running test.
set -eu
action=$1
WINEPREFIX=$2
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml='

case $action in
  start)
    mkdir -p "$WINEPREFIX"
    # A server left behind by an interrupted run goes first.
    wineserver -k 2>/dev/null || true
    wineserver -w
    # Neither the server nor the Wine services that wineboot starts may keep
    # this script's output open: the test runner waits for it to close.
    log=$WINEPREFIX/wine-server.log
    wineserver -p </dev/null >"$log" 2>&1
    # Returns once the prefix is created or brought up to date.
    if ! wineboot -u </dev/null >>"$log" 2>&1; then
      cat "$log" >&2
      exit 1
    fi
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
