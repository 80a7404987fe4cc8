#!/bin/sh
# Runs a Windows program under Wine with a private, quiet prefix inside the build tree.
# The prefix lives next to the program's build directory so parallel builds never share one.
: "${WINEPREFIX:=${PURIFILE_WINEPREFIX:-$PWD/.wine}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml='
exec wine "$@"
