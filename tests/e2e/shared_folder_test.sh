#!/bin/bash
# Two machines sharing one history through a folder that real Syncthing instances
# replicate between them.
#
# usage: shared_folder_test.sh QARVEX_BINARY
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 QARVEX_BINARY" >&2
    exit 2
fi
qarvex=$1
here=$(dirname "${BASH_SOURCE[0]}")
. "$here/wait_for.sh"
. "$here/syncthing_pair.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-shared-folder.XXXXXX") || exit 2
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    st_log_tail >&2
    exit 1
}

start_syncthing_pair "$work/st"
# The engine itself first, so that a fault here is not taken for the program's.
echo probe >"$st_folder_a/probe.txt"
wait_for 600 cmp -s "$st_folder_a/probe.txt" "$st_folder_b/probe.txt" ||
    fail "a file written into one copy of the folder never reached the other"
echo PASS
