#!/bin/sh
# Runs a Windows program under Wine, quietly. The tests set WINEPREFIX to their
# build tree's prefix, whose server cmake/wine-server.sh keeps running; a run by
# hand uses PURIFILE_WINEPREFIX or ./.wine.
: "${WINEPREFIX:=${PURIFILE_WINEPREFIX:-$PWD/.wine}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree=;mshtml='
exec wine "$@"
