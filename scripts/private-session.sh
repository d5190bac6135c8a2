# Sourced by scripts that run the program on an X display of their own with a private session
# bus, so that they neither touch the user's desktop nor leave a process behind.

display_pid=
program_pid=

# Starts Xvfb on a free display and exports DISPLAY; FOLDER receives the display number.
#   start_private_display FOLDER
start_private_display() {
    # -noreset keeps the display alive between clients.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$1/display" 2>/dev/null &
    display_pid=$!
    timeout 10 bash -c "until [[ -s '$1/display' ]]; do sleep 0.1; done"
    export DISPLAY=":$(head -n 1 "$1/display")"
}

# Runs COMMAND in the background, in a process group of its own so that everything it starts
# (a private bus too) ends with it.
#   start_program [env OPTIONS and NAME=VALUE...] COMMAND...
start_program() {
    setsid env "$@" &
    program_pid=$!
}

stop_private_session() {
    if [[ -n $program_pid ]]; then
        kill -- "-$program_pid" 2>/dev/null || true
        program_pid=
    fi
    if [[ -n $display_pid ]]; then
        kill "$display_pid" 2>/dev/null || true
        display_pid=
    fi
}
