#!/bin/bash
# The bash completion offers every option that "purifile --help" lists in this
# system's form, and file names where no option is being typed. It may offer
# an option before the program has it, never the other way round.
#
#   check_completion.sh PROGRAM COMPLETION_FILE
set -u
program=$1
completion=$2
status=0

help_options=$("$program" --help | grep -oE '(^|[][ |(])(-[a-zA-Z0-9]|--[a-zA-Z][a-zA-Z0-9-]*)\b' |
  sed -E 's/^[][ |(]//' | sort -u)

# shellcheck source=/dev/null
source "$completion"
complete_line() {  # the words of a command line, the last one being typed
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _purifile
}

complete_line purifile -
offered=$(printf '%s\n' "${COMPREPLY[@]}" | sed 's/[:=]$//' | sort -u)
missing=$(comm -23 <(echo "$help_options") <(echo "$offered"))
if [ -n "$missing" ]; then
  echo "--help lists options that the completion does not offer:" $missing
  status=1
fi

complete_line purifile --ver
if [ "${COMPREPLY[*]}" != "--version" ]; then
  echo "--ver completes to '${COMPREPLY[*]}', not --version"
  status=1
fi

expect_file_names() {  # the command line, its last word being typed
  complete_line "$@"
  if [ ${#COMPREPLY[@]} -ne 0 ]; then
    echo "'$*' offers options (${COMPREPLY[*]}) where file names belong"
    status=1
  fi
}
expect_file_names purifile -s ""
expect_file_names purifile -- -
exit $status
