#!/bin/sh
# check_exports.sh OBJDUMP DLL
# The plug-in is a 64-bit PE DLL, its export table lists exactly its six entry
# points, and the only library it imports that is not part of Windows is
# TakeCmd.dll.
objdump=$1
dll=$2

headers=$("$objdump" -p "$dll") || exit 1

exports=$(printf '%s\n' "$headers" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' ')
expected_exports=$(printf '%s\n' GetPluginInfo Help InitializePlugin ShutdownPlugin Usage purifile |
  sort | tr '\n' ' ')

# Windows' own libraries; anything else the plug-in imports is a dependency of its own.
imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' |
  grep -v -i -x -E 'kernel32\.dll|user32\.dll|msvcrt\.dll|ucrtbase\.dll|api-ms-win-[a-z0-9-]+\.dll|advapi32\.dll|ntdll\.dll' |
  tr '\n' ' ')

failed=0
if ! printf '%s\n' "$headers" | grep -q 'file format pei-x86-64' ||
   ! printf '%s\n' "$headers" | grep -q '^Magic[[:space:]]*020b[[:space:]]*(PE32+)'; then
  echo "not a PE32+ file for x86-64"
  failed=1
fi
if ! printf '%s\n' "$headers" | grep -q -x '[[:space:]]*DLL'; then
  echo "not a DLL"
  failed=1
fi
if [ "$exports" != "$expected_exports" ]; then
  echo "exports: $exports"
  echo "expected: $expected_exports"
  failed=1
fi
if [ "$imports" != "TakeCmd.dll " ]; then
  echo "non-system imports: $imports"
  echo "expected: TakeCmd.dll"
  failed=1
fi
exit $failed
