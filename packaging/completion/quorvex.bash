# bash completion for quorvex-console, quorvex-cli, quorvex-sim, quorvex-export, quorvex-route
# and quorvex-tracker. The options are read from the program's own --help, so they follow the
# program;
# the values of the options that name things on this machine (ports, files, models) are offered
# here.

# COM numbers of the port directory, and the serial devices a unit shows up as.
_quorvex_ports() {
    local directory=${QUORVEX_PORT_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/quorvex/ports}
    local link
    for link in "$directory"/com[0-9]*; do
        [[ -e $link || -L $link ]] && printf 'COM%s\n' "${link##*/com}"
    done
    compgen -G '/dev/tty[UA][SC][BM]*'
    compgen -G '/dev/rfcomm*'
}

# Every long option named on the option lines of the program's --help ("--gain N, --clipping N"
# names two, which bash-completion's _parse_help would take as one).
_quorvex_options() {
    LC_ALL=C "$1" --help 2>&1 | sed -n 's/^[[:blank:]]*-/-/p' | grep -o -- '--[a-z][a-z-]*'
}

_quorvex() {
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        --port)
            COMPREPLY=($(compgen -W "$(_quorvex_ports)" -- "$cur"))
            [[ $cur == /* ]] && _filedir
            return
            ;;
        --device | --scenario | --journal | --route)
            _filedir
            return
            ;;
        --port-dir)
            _filedir -d
            return
            ;;
        --model)
            COMPREPLY=($(compgen -W 'M410 M450' -- "$cur"))
            return
            ;;
        --com)
            COMPREPLY=($(compgen -W 'auto' -- "$cur"))
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W 'csv gpx geojson' -- "$cur"))
            return
            ;;
        --run)
            COMPREPLY=($(compgen -W 'last' -- "$cur"))
            return
            ;;
        --serial | --firmware | --rate | --records | --gain | --clipping | --battery | \
            --battery-period | --battery-duration | --gps | --retries | --reply-timeout | --wake | \
            --passage-every | --battery-drain | --from | --to | --session | --near | \
            --route-marker | --launch | --pig-speed)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_quorvex_options "$1")' -- "$cur"))
    fi
}
complete -F _quorvex quorvex-console quorvex-cli quorvex-sim quorvex-export quorvex-route quorvex-tracker
