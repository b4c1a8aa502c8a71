# Sourced by the end-to-end tests of the shared folder: two real Syncthing instances on
# this machine, each with a home and a folder of its own, that know each other and share
# one folder. They speak only to each other on 127.0.0.1: no discovery, relays, NAT,
# usage or crash reports, upgrade checks. Every wait asks Syncthing's REST API and is
# bounded; nothing sleeps for a fixed time.
#
# The caller defines fail (which shows st_log_tail) and the array pids (what it kills
# when it exits), and has sourced wait_for.sh.
#
# usage: start_syncthing_pair FOLDER
# Sets st_folder_a and st_folder_b, the two copies of the shared folder.

st_folder_id=qarvex

# A few ports nothing listens on now, distinct from each other.
free_ports() {
    python3 - "$1" <<'PY'
import socket, sys
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    held.append(s)
print(" ".join(str(s.getsockname()[1]) for s in held))
PY
}

# usage: st_check a|b PATH PYTHON_CONDITION
# Asks instance a or b for PATH; true when the condition over its JSON answer (j) holds.
# Quiet while the instance does not answer yet.
st_check() {
    local port key
    port=$(cat "$st_dir/$1/gui-port") key=$(cat "$st_dir/$1/api-key")
    python3 - "http://127.0.0.1:$port$2" "$key" "$3" <<'PY' 2>/dev/null
import json, sys, urllib.request
request = urllib.request.Request(sys.argv[1], headers={"X-API-Key": sys.argv[2]})
try:
    with urllib.request.urlopen(request, timeout=5) as answer:
        j = json.load(answer)
except Exception:
    sys.exit(1)
sys.exit(0 if eval(sys.argv[3], {}, {"j": j}) else 1)
PY
}

# The instance runs and answers as the device it was made; one that ended (a port taken
# since it was chosen, a home it cannot use) fails the test at once.
st_answers() {
    kill -0 "$(cat "$st_dir/$1/pid")" 2>/dev/null || fail "syncthing $1 ended"
    st_check "$1" /rest/system/status "j['myID'] == '$(cat "$st_dir/$1/device-id")'"
}

# What the caller's fail shows of the two instances.
st_log_tail() {
    local side
    [ -n "${st_dir:-}" ] || return 0
    for side in a b; do
        echo "--- syncthing $side (last lines)"
        tail -n 20 "$st_dir/$side/syncthing.log" 2>/dev/null
    done
}

# usage: st_config SIDE SELF_ID OTHER_ID LISTEN_PORT OTHER_PORT GUI_PORT API_KEY FOLDER
st_config() {
    cat <<XML
<configuration version="36">
    <device id="$2" name="$1"><address>dynamic</address></device>
    <device id="$3" name="other"><address>tcp://127.0.0.1:$5</address></device>
    <folder id="$st_folder_id" label="$st_folder_id" path="$8" type="sendreceive"
            rescanIntervalS="5" fsWatcherEnabled="true" fsWatcherDelayS="1">
        <device id="$2"></device>
        <device id="$3"></device>
    </folder>
    <gui enabled="true" tls="false">
        <address>127.0.0.1:$6</address>
        <apikey>$7</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:$4</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <stunKeepaliveStartS>0</stunKeepaliveStartS>
        <urAccepted>-1</urAccepted>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <crashReportingEnabled>false</crashReportingEnabled>
        <startBrowser>false</startBrowser>
        <reconnectionIntervalS>1</reconnectionIntervalS>
    </options>
</configuration>
XML
}

start_syncthing_pair() {
    st_dir=$1
    require_tools syncthing python3 od
    local side ports
    for side in a b; do
        mkdir -p "$st_dir/$side/home" "$st_dir/$side/shared/.stfolder"
        syncthing generate --home="$st_dir/$side/home" --no-default-folder --skip-port-probing \
            >"$st_dir/$side/generate.log" 2>&1 ||
            fail "syncthing could not make its keys: $(cat "$st_dir/$side/generate.log")"
        syncthing serve --home="$st_dir/$side/home" --device-id >"$st_dir/$side/device-id" 2>&1 ||
            fail "syncthing did not tell its device id: $(cat "$st_dir/$side/device-id")"
        od -An -tx1 -N16 /dev/urandom | tr -d ' \n' >"$st_dir/$side/api-key"
    done
    read -r -a ports <<<"$(free_ports 4)"
    [ "${#ports[@]}" -eq 4 ] || fail "no free ports on 127.0.0.1"
    echo "${ports[0]}" >"$st_dir/a/gui-port"
    echo "${ports[1]}" >"$st_dir/b/gui-port"
    st_config a "$(cat "$st_dir/a/device-id")" "$(cat "$st_dir/b/device-id")" "${ports[2]}" \
        "${ports[3]}" "${ports[0]}" "$(cat "$st_dir/a/api-key")" "$st_dir/a/shared" \
        >"$st_dir/a/home/config.xml"
    st_config b "$(cat "$st_dir/b/device-id")" "$(cat "$st_dir/a/device-id")" "${ports[3]}" \
        "${ports[2]}" "${ports[1]}" "$(cat "$st_dir/b/api-key")" "$st_dir/b/shared" \
        >"$st_dir/b/home/config.xml"
    for side in a b; do
        # One process each (no monitor that restarts it), so that killing it ends it.
        HOME="$st_dir/$side/home" STNORESTART=1 STNOUPGRADE=1 STNODEFAULTFOLDER=1 \
            syncthing serve --home="$st_dir/$side/home" --no-browser --no-restart --no-upgrade \
            >"$st_dir/$side/syncthing.log" 2>&1 &
        pids+=($!)
        echo $! >"$st_dir/$side/pid"
    done
    for side in a b; do
        wait_for 600 st_answers "$side" ||
            fail "syncthing $side did not answer on its REST port"
    done
    local b_id
    b_id=$(cat "$st_dir/b/device-id")
    wait_for 600 st_check a /rest/system/connections "j['connections']['$b_id']['connected']" ||
        fail "the two syncthing instances did not connect"
    wait_for 600 st_idle a || fail "syncthing a never had its folder ready"
    wait_for 600 st_idle b || fail "syncthing b never had its folder ready"
    st_folder_a="$st_dir/a/shared" st_folder_b="$st_dir/b/shared"
}

# The folder scanned, nothing left to pull, and the other side known to hold all of it.
st_idle() {
    local other
    [ "$1" = a ] && other=b || other=a
    st_check "$1" "/rest/db/status?folder=$st_folder_id" \
        "j['state'] == 'idle' and j['needTotalItems'] == 0" &&
        st_check "$1" "/rest/db/completion?folder=$st_folder_id&device=$(cat "$st_dir/$other/device-id")" \
            "j['completion'] == 100 and j['needItems'] == 0"
}

# Every file of either copy of the folder holds the same bytes in the other, and both
# instances say they have nothing left to do.
st_settled() {
    local f name
    for f in "$st_folder_a"/* "$st_folder_b"/*; do
        [ -e "$f" ] || continue
        name=${f##*/}
        cmp -s "$st_folder_a/$name" "$st_folder_b/$name" || return 1
    done
    st_idle a && st_idle b
}
