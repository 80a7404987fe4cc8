#!/bin/bash
# The newcomer's first command, scripts/run-sample.sh, on a machine that has
# everything the build needs but utf8proc: it finds the library missing, has
# it installed, builds, and runs the sample. A copy of the sources runs in a
# private mount namespace in which utf8proc's header and development library
# are hidden (overlays that white them out); apt-get is a stand-in that
# records what it is asked and "installs" libutf8proc-dev by removing the
# overlays. Skipped (77) where no mount namespace or overlay can be had.
#
#   run_sample_without_utf8proc.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")

header=/usr/include/utf8proc.h
library=$(g++ -print-file-name=libutf8proc.so)
if [ ! -e "$header" ] || [[ $library != /* ]]; then
  echo "utf8proc is not installed here: nothing to hide"
  exit 1
fi
if [ "$(id -u)" -ne 0 ] || ! unshare --mount true 2>/dev/null; then
  echo "skipped: hiding a library takes root and a mount namespace"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/sources" "$work/bin"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./dist -cf - . | tar -C "$work/sources" -xf -

# The command that lays over directory an overlay without the named entries.
hide() {  # directory name...
  local directory=$1 layer
  layer=$(mktemp -d "$work/hidden.XXXX")
  shift
  for name in "$@"; do mknod "$layer/$name" c 0 0; done
  echo "mount -t overlay overlay -o lowerdir=$layer:$directory $directory"
}
library_dir=$(dirname "$library")
{
  hide "$(dirname "$header")" utf8proc.h
  hide "$library_dir" $(cd "$library_dir" && ls libutf8proc.so libutf8proc.a 2>/dev/null)
} >"$work/hide.sh"

# The stand-in apt-get. It unmounts lazily: the processes of the namespace
# have libraries of the overlay mapped.
cat >"$work/bin/apt-get" <<STUB
#!/bin/bash
echo "apt-get \$*" >>"$work/apt-get.log"
if [ "\$1" = install ] && [[ " \$* " == *" libutf8proc-dev "* ]]; then
  umount --lazy "$(dirname "$header")" "$library_dir"
fi
STUB
chmod +x "$work/bin/apt-get"

# Compiled as the builds of this machine are, where ccache keeps them.
if command -v ccache >/dev/null; then export CMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
status=0
# shellcheck disable=SC2016
unshare --mount --propagation private bash -c '
  set -e
  source "$1/hide.sh" || exit 77
  if [ -e /usr/include/utf8proc.h ]; then echo "the header is not hidden"; exit 1; fi
  PATH="$1/bin:$PATH" "$1/sources/scripts/run-sample.sh"
' hide "$work" >"$work/output" 2>&1 || status=$?

fail() {
  echo "$1"
  echo "--- run-sample.sh wrote:"
  cat "$work/output"
  echo "--- apt-get was asked:"
  cat "$work/apt-get.log" 2>/dev/null || echo "(nothing)"
  exit 1
}
if [ "$status" -eq 77 ]; then
  echo "skipped: no overlay file system to hide the library"
  exit 77
fi
[ "$status" -eq 0 ] || fail "run-sample.sh ended with $status"
grep -q '^apt-get install .* libutf8proc-dev' "$work/apt-get.log" || fail "libutf8proc-dev was not installed"
grep -q 'Annual Report 2024.pdf' "$work/output" || fail "the sample was not renamed"
echo "run-sample.sh installed libutf8proc-dev and ran the sample"
