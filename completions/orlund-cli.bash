# bash completion for orlund-cli: subcommands, global options and each
# subcommand's own options; files where an option or argument takes one.
_orlund_cli() {
  local cur prev words cword
  _init_completion || return
  local commands="info receiver-types receivers profiles day-types holidays calendar
    render-schedule render-calendar set-receiver remove-receiver export-profile import-profile
    remove-profile rename-day-type set-calendar send-message last-message command watch help"
  local global="--host --port --timeout --password --password-file --area --json --help --version"
  case $prev in
    --output | -o | --password-file) _filedir; return ;;
    --host | --port | --timeout | --password | --area | --type | --flag | --word | --text | \
      --setting[0-3] | --month | --profile | --to) return ;;
  esac
  local command="" w
  for w in "${words[@]:1:cword-1}"; do
    [[ " $commands " == *" $w "* ]] && { command=$w; break; }
  done
  local own=""
  case $command in
    render-schedule | export-profile) own="--output" ;;
    render-calendar) own="--month --profile --output" ;;
    set-receiver) own="--type --flag --word --text --setting0 --setting1 --setting2 --setting3" ;;
    send-message) own="--to" ;;
    import-profile | set-calendar) [[ $cur != -* ]] && { _filedir; return; } ;;
    help) COMPREPLY=($(compgen -W "$commands" -- "$cur")); return ;;
  esac
  if [[ -z $command && $cur != -* ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
  else
    COMPREPLY=($(compgen -W "$global $own" -- "$cur"))
  fi
}
complete -F _orlund_cli orlund-cli
