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
