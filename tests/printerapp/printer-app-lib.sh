# What the printer application's test scripts share, sourced with BIN_DIR SOURCE_DIR WORK_DIR set
# as $bin, $source and $work: a scratch folder, the application's server on a free loopback port
# with a state folder there, a socket:// device of our own, and everything stopped on exit.
app=$bin/cv-printer-app
# PAPPL's command line keeps its parsed options to the process's end, which a sanitizer build's
# leak check would count against each command.
cli() { ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$app" "$@"; }
host=$bin/pdl-stream-filter
jobs=$source/examples/jobs
here=$source/tests/printerapp

rm -rf "$work"
mkdir -p "$work/devices"
cd "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    echo "--- the application's log, last lines:" >&2
    tail -n 40 "$work/state/cv-printer-app.log" >&2 || true
    exit 1
}

# PAPPL's command line finds its server by a socket of a fixed name (another server would take
# our printers), and starts one of its own when none answers: so nothing here asks it before our
# server listens.
socket_file=$(python3 -c 'import os, tempfile; print("/run/cv-printer-app.sock" if os.getuid() == 0 else "%s/cv-printer-app%d.sock" % (os.environ.get("TMPDIR", "/tmp"), os.getuid()))')
answers() { python3 -c 'import socket, sys; s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1])' "$1" 2> /dev/null; }
if answers "$socket_file"; then
    fail "another cv-printer-app server is running on $socket_file; stop it first"
fi

# A listener keeping each connection in devices/NAME.N; sets $device_uri and $device_pid.
start_device() {
    local name=$1
    shift
    "$here/device.py" "$name.port" "devices/$name" "$@" &
    device_pid=$!
    pids+=($device_pid)
    for _ in $(seq 50); do
        [ -f "$name.port" ] && break
        sleep 0.1
    done
    [ -f "$name.port" ] || fail "the device $name did not start"
    device_uri="socket://127.0.0.1:$(cat "$name.port")"
}

# The server with the state folder state/ and any further -o options given; sets $port.
start_server() {
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    "$app" server -o state-directory="$work/state" -o server-port="$port" -o log-level=debug \
        "$@" > server.out 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        answers "$socket_file" && break
        sleep 0.1
    done
    answers "$socket_file" || fail "the server did not start: $(cat server.out)"
}

uri() { echo "ipp://127.0.0.1:$port/ipp/print/$1"; }

# Fails (naming WHAT) unless STREAM holds no document byte in the clear and decrypts with the pass
# phrase in phrase.txt to a job holding MARK (by default the first page of a PostScript job), left
# in decrypted.out.
check_encrypted() {
    local stream=$1 what=$2 mark=${3:-%%Page: 1 1}
    if grep -a -q -E '%%Page|showpage|/Width|%PDF-|\) HP-PCL XL' "$stream"; then
        fail "$what: document bytes in the clear"
    fi
    "$host" decrypt --pass-phrase-file phrase.txt --input "$stream" --output decrypted.out ||
        fail "$what: the stream does not decrypt"
    grep -a -q -F "$mark" decrypted.out || fail "$what: no $mark after decryption"
}
