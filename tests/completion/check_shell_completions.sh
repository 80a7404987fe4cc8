#!/bin/bash
# The zsh and fish completions offer every option that "purifile --help"
# lists: fish as its own completion answers "purifile -" and "purifile --",
# zsh as its _arguments specifications name them (the file must also parse).
# A shell that is not installed is passed over (exit 77: skipped).
#
#   check_shell_completions.sh PROGRAM ZSH_COMPLETION FISH_COMPLETION
set -u
program=$1
zsh_completion=$2
fish_completion=$3
status=0
tried=0

help_options=$("$program" --help | grep -oE '(^|[][ |(])(-[a-zA-Z0-9?]|--[a-zA-Z][a-zA-Z0-9-]*)\b' |
  sed -E 's/^[][ |(]//' | sort -u)

report_missing() {  # the shell, the options it offers
  local missing
  missing=$(comm -23 <(echo "$help_options") <(echo "$2" | sort -u))
  if [ -n "$missing" ]; then
    echo "--help lists options that the $1 completion does not offer:" $missing
    status=1
  fi
}

if command -v fish >/dev/null; then
  tried=1
  offered=$(fish --no-config -c "source '$fish_completion'; complete -C 'purifile -'; complete -C 'purifile --'" |
    cut -f1)
  report_missing fish "$offered"
fi
if command -v zsh >/dev/null; then
  tried=1
  if ! zsh -n "$zsh_completion"; then
    echo "the zsh completion does not parse"
    status=1
  fi
  # Each specification begins with the option, or a brace list of its two spellings.
  offered=$(grep -oE "(\{|'|\))(-[a-zA-Z0-9?\\\\]+|--[a-z0-9-]+)|,(-[a-zA-Z0-9?\\\\]+|--[a-z0-9-]+)\}" "$zsh_completion" |
    sed -E "s/^[{',)]//; s/\}$//; s/\\\\//g")
  report_missing zsh "$offered"
fi
[ $tried -eq 1 ] || exit 77
exit $status
