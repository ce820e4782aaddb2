# bash completion for vexa-cli
_vexa_cli()
{
    local cur prev words cword
    _init_completion || return

    local commands="signature compare collection dir stats narrate duplicates gather autodelete check watch help"
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    case $prev in
        --data) _filedir -d; return ;;
        --dir) _filedir -d; return ;;
        --method)
            case $command in
                compare) COMPREPLY=($(compgen -W "0 1 2" -- "$cur")) ;;
                *) COMPREPLY=($(compgen -W "0 1 2 3 4 5 6" -- "$cur")) ;;
            esac
            return ;;
        --rotations) COMPREPLY=($(compgen -W "on off" -- "$cur")); return ;;
        --slider | --threads) return ;;
    esac

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--data --quiet --help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options="--help --quiet"
    case $command in
        compare) options+=" --method --slider" ;;
        dir) options+=" --tree" ;;
        narrate) options+=" --method --slider --rotations --dir --json --reference --save" ;;
        duplicates) options+=" --json --id --rule --prefer --apply" ;;
        gather) options+=" --threads --dir --json" ;;
        autodelete) options+=" --dry-run --json" ;;
        check | watch) options+=" --method --slider --rotations --json" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # The word after the command word.
    local position=$((cword - i))
    case $command in
        help) ((position == 1)) && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        collection) ((position == 1)) && COMPREPLY=($(compgen -W "add delete list" -- "$cur")) ;;
        dir)
            if ((position == 1)); then
                COMPREPLY=($(compgen -W "add delete list" -- "$cur"))
            elif ((position > 2)); then
                _filedir -d
            fi ;;
        duplicates)
            if ((position == 1)); then
                COMPREPLY=($(compgen -W "list clear ignore ignored unignore select" -- "$cur"))
            elif ((position > 1)); then
                _filedir
            fi ;;
        watch) _filedir -d ;;
        signature | compare | check) _filedir ;;
    esac
} &&
    complete -F _vexa_cli vexa-cli
