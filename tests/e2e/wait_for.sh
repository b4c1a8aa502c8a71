# Sourced by every end-to-end script: polling waits, the rule for a test that cannot
# run, and the private session bus.

# Waits up to $1 tenths of a second for the command in the rest of the arguments to
# succeed, polling, so a slow machine only takes longer.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq 1 "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# The test cannot run here (a program missing, a compositor or user it cannot have):
# on a developer's machine a skip (exit 77, listed at the end of scripts/test.sh), in CI
# (CI=true) a failure, since there every test must run. Either way it says why.
cannot_run() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: cannot run in CI: $*" >&2
        exit 1
    fi
    echo "cannot run: $*; skipped"
    exit 77
}

# usage: use_work_folder NAME
# A fresh folder for the test ($work) and the array pids; when the script ends, every
# process in pids is killed and the folder removed.
use_work_folder() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-$1.XXXXXX") || exit 2
    pids=()
    trap end_work_folder EXIT
    trap 'exit 130' INT TERM
}
end_work_folder() {
    local pid
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}

require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || cannot_run "$tool is missing"
    done
}

require_python_gtk() {
    python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' \
        2>/dev/null || cannot_run "GTK for Python is missing (python3-gi, gir1.2-gtk-3.0)"
}

# usage: start_private_bus FOLDER [PREFIX...]
# A session bus that offers no service of the machine's: only those whose .service files
# the test put in FOLDER/services before. A real file manager or portal started by
# activation would answer in place of the test's fakes and outlive the test. PREFIX runs
# the daemon (as another user, in another environment). Sets bus_address and bus_pid, and
# adds the daemon to pids.
start_private_bus() {
    local dir=$1
    shift
    mkdir -p "$dir/services"
    cat >"$dir/bus.conf" <<CONFIG
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONFIG
    chmod 755 "$dir/services"
    chmod 644 "$dir/bus.conf"
    rm -f "$dir/bus-address" "$dir/bus-pid"
    "$@" dbus-daemon --config-file="$dir/bus.conf" --fork --nopidfile --print-address=4 \
        --print-pid=5 4>"$dir/bus-address" 5>"$dir/bus-pid" >/dev/null 2>&1 || return 1
    wait_for 100 test -s "$dir/bus-pid" || return 1
    bus_pid=$(head -n1 "$dir/bus-pid")
    pids+=("$bus_pid")
    bus_address=$(head -n1 "$dir/bus-address")
}

# usage: provide_service FOLDER NAME
# Offers one of the machine's activatable services (NAME.service) on the bus of FOLDER;
# called before start_private_bus.
provide_service() {
    mkdir -p "$1/services"
    cp "/usr/share/dbus-1/services/$2.service" "$1/services/" 2>/dev/null ||
        cannot_run "the service $2 is not installed"
}
