# bash completion for zeldrium-find: options, the words some of them take, and folder IDs (for
# --folder, --current and arguments), asked of zeldrium-find --list-folders for the --data given.

_zeldrium_find_folders() {
  local data="" i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      -d | --data) data=${COMP_WORDS[i + 1]} ;;
      --data=*) data=${word#--data=} ;;
    esac
  done
  [[ -n $data ]] || return
  data=${data/#\~/$HOME}
  # Folder IDs with "/" between their parts: no backslash to quote, and zeldrium-find takes both.
  local IFS=$'\n'
  COMPREPLY=($(compgen -W "$("${COMP_WORDS[0]}" -d "$data" --list-folders 2>/dev/null |
    cut -f1 | tr '\\' /)" -- "$1"))
}

_zeldrium_find() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  case $prev in
    -d | --data)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --ini)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --format)
      COMPREPLY=($(compgen -W "tsv table json" -- "$cur"))
      return ;;
    --color)
      COMPREPLY=($(compgen -W "auto always never" -- "$cur"))
      return ;;
    --folder | --current)
      _zeldrium_find_folders "$cur"
      return ;;
    -f | --from | -t | --to | -s | --subject | --from-to | --cond | --tab | --since | --until | \
      -n | --limit)
      return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "--data --from --to --subject --from-to --case --all-words --cond
      --ini --tab --folder --current --subfolders --since --until --limit --oldest-first
      --format --count --color --raw --keep-going --list-folders --help --version --" -- "$cur"))
    return
  fi
  _zeldrium_find_folders "$cur"
}

complete -F _zeldrium_find zeldrium-find
