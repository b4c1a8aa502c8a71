# Sourced by the end-to-end scripts: waits up to $1 tenths of a second for the command in
# the rest of the arguments to succeed, polling, so a slow machine only takes longer.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq 1 "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Skips the test (exit 77) when one of the programs it needs is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$0: $tool is missing; skipped"
            exit 77
        fi
    done
}
