# bash completion for veltrix
_veltrix()
{
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    case "$prev" in
        --host|--pair)
            # A TV's address: offer the hosts the system knows.
            COMPREPLY=($(compgen -A hostname -- "$cur"))
            return
            ;;
    esac
    if [[ "$cur" == -* || -z "$cur" ]]; then
        COMPREPLY=($(compgen -W "--headless --background --demo --host --pair --pin --mcp-stdio --help --version" -- "$cur"))
    fi
}
complete -F _veltrix veltrix
