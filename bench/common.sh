# Shared by the benchmark scripts that run the real app (sourced, not run).

# Sets app_env to the command that starts a program (with any VAR=value after
# it) with nothing of this shell's environment but the display, in the given
# home (a fixture), as a session would start it there. A command rather than a
# function, so that $! after "${app_env[@]}" app & is the app itself.
home_env() {
    app_env=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$1"
        XDG_CONFIG_HOME="$1/.config" XDG_DATA_HOME="$1/.local/share" XDG_RUNTIME_DIR="$1"
        LANG=C.UTF-8 QT_QPA_PLATFORM=xcb)
}

# Time on a CPU of all a process's threads, in nanoseconds (the clock ticks of
# its stat line are too coarse for a few milliseconds a second). A thread that
# ends between two readings takes its time out of the sum: read where the
# threads counted outlive the window.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
