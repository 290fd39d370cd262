#!/usr/bin/env bash
# orlund-cli's bash completion offers exactly the subcommands its --help
# lists (the two lists are kept by hand), and each subcommand's own options
# after it. bash-completion's helpers are stood in for by minimal ones, so
# only the project's own function is under test.
set -euo pipefail
cli=$1
completion=$2

_init_completion() {
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
  cur=${words[cword]}
  prev=${words[cword - 1]:-}
}
_filedir() { COMPREPLY=(FILES); }
complete() { :; }
# shellcheck source=/dev/null
source "$completion"

offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _orlund_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

failed=0
expect() {
  if [[ $2 != "$3" ]]; then
    echo "$1: offered '$2', expected '$3'"
    failed=1
  fi
}

listed=$({ "$cli" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }'
  echo help; } | sort | tr '\n' ' ')
expect "subcommands" "$(offered orlund-cli "")" "$listed"
expect "render-calendar options" "$(offered orlund-cli render-calendar --m)" "--month "
expect "file after -o" "$(offered orlund-cli render-schedule x -o "")" "FILES "
expect "global options" "$(offered orlund-cli --pass)" "--password --password-file "
exit $failed
