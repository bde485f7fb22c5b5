#!/usr/bin/env bash
# Runs a command on an X display of its own with a 1280 x 1024 screen, as a desktop has it:
#   with_display.sh openbox|bare COMMAND...
# "openbox" puts the windows under the openbox window manager (which sizes and places
# them in its own time, as desktops do); "bare" leaves them without one.
set -uo pipefail
wm=$1
shift
for program in Xvfb ${wm/bare/}; do
    command -v "$program" >/dev/null || { echo "with_display.sh: $program is missing" >&2; exit 1; }
done
work=$(mktemp -d)
cleanup() {
    [[ -n ${wm_pid:-} ]] && kill "$wm_pid" 2>/dev/null
    [[ -n ${x_pid:-} ]] && kill "$x_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display number itself and writes it to the pipe once it is ready.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
x_pid=$!
if ! read -r -t 20 number <"$work/display"; then
    echo "with_display.sh: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=:$number

if [[ $wm == openbox ]]; then
    # openbox runs its start-up command once it manages the screen.
    openbox --sm-disable --startup "touch $work/managing" >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 200); do
        [[ -e $work/managing ]] && break
        sleep 0.05
    done
    [[ -e $work/managing ]] || { echo "with_display.sh: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }
fi

"$@"
