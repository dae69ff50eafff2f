#!/bin/bash
# Who may change the printer application's printers, in the documented set-up: the server runs as
# a user of its own with an admin group and a PAM service. Its local socket (which PAPPL takes
# every client of for an administrator) must then be usable by that user and the admin group
# only; over TCP every change asks for an administrator's password. So another local user can
# neither delete a printer through the socket nor over IPP without credentials, and a member of
# the admin group can; a server that cannot give its socket to the admin group does not run.
# Needs root to act as those users (setpriv); skipped (77) otherwise.
#   printer-app-admin.sh BIN_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
bin=$1
source=$2
work=$3
if [ "$(id -u)" != 0 ] || ! command -v setpriv > /dev/null; then
    echo "acting as other users needs root and setpriv"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
# The service's user, the admin group and another user, all Debian's own: daemon, staff, nobody.
# The service's user is a member of the admin group, which the socket is given to.
service=(setpriv --reuid=daemon --regid=daemon --groups=staff)
admin=(setpriv --reuid=nobody --regid=nogroup --groups=staff)
other=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# The service's folder outside the checkout, which those users may not be able to enter.
scratch=$(mktemp -d /tmp/cv-app-admin.XXXXXX)
pid=
finish() {
    [ -n "$pid" ] && kill "$pid" 2> /dev/null
    wait 2> /dev/null || true
    cp -r "$scratch/state/cv-printer-app.log" "$work/" 2> /dev/null || true
    rm -rf "$scratch"
}
trap finish EXIT
fail() {
    echo "FAILED: $*" >&2
    tail -n 30 "$scratch/state/cv-printer-app.log" >&2 || true
    exit 1
}
chmod 755 "$scratch"
mkdir -p "$scratch/bin" "$scratch/tmp"
cp "$bin/cv-printer-app" "$bin"/*.so "$scratch/bin/"
chmod 755 "$scratch/bin" "$scratch/bin"/*
chown daemon:daemon "$scratch/tmp"
chmod 755 "$scratch/tmp"
app=$scratch/bin/cv-printer-app
socket_file=$scratch/tmp/cv-printer-app$(id -u daemon).sock
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir "$scratch/state"
chown daemon:daemon "$scratch/state"
"${service[@]}" env TMPDIR="$scratch/tmp" "$app" server -o state-directory="$scratch/state" \
    -o server-port="$port" -o admin-group=staff -o auth-service=login > "$work/server.out" 2>&1 &
pid=$!
for _ in $(seq 100); do
    [ "$(stat -c %a "$socket_file" 2> /dev/null)" = 770 ] && break
    sleep 0.1
done
[ "$(stat -c %a:%G "$socket_file" 2> /dev/null)" = 770:staff ] ||
    fail "the socket is not the service's and its admin group's: $(ls -l "$socket_file" 2>&1)"
echo "ok: the local socket is for the service's user and the admin group only"
for printer in office scratch; do
    # PAPPL's command line keeps its options to the end, which a sanitizer build counts as leaks.
    "${service[@]}" env TMPDIR="$scratch/tmp" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
        "$app" add -d "$printer" -m cv-postscript -v socket://127.0.0.1:9 || fail "add $printer"
done

through_socket="ipp://$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$socket_file")/ipp/system"
over_tcp="ipp://127.0.0.1:$port/ipp/system"
# ipptool's Delete-Printer of printer ID as user AS... (a setpriv command) at URI; prints the
# outcome.
delete() {
    local id=$1 uri=$2
    shift 2
    "$@" ipptool -tv -d id="$id" "$uri" "$source/tests/printerapp/delete-printer.test" 2>&1 |
        grep -E "status-code|Unable to connect" | head -n 1 || true
}
printers() {
    "${service[@]}" ipptool -t "$through_socket" "$source/tests/printerapp/get-printers.test" |
        sed -n 's/.*printer-name (nameWithoutLanguage) = //p' | sort | tr '\n' ' '
}
[ "$(printers)" = "office scratch " ] || fail "the printers are not there: $(printers)"

echo "--- another local user cannot delete a printer"
outcome=$(delete 1 "$through_socket" "${other[@]}")
[[ "$outcome" == *"Unable to connect"* ]] || fail "through the socket: $outcome"
echo "ok: through the socket: $outcome"
outcome=$(delete 1 "$over_tcp" "${other[@]}")
[[ "$outcome" == *"client-error-not-authenticated"* ]] || fail "over TCP: $outcome"
echo "ok: over TCP without credentials: $outcome"
[ "$(printers)" = "office scratch " ] || fail "a printer went: $(printers)"

echo "--- a member of the admin group can"
outcome=$(delete 2 "$through_socket" "${admin[@]}")
[[ "$outcome" == *"successful-ok"* ]] || fail "the admin group's member: $outcome"
[ "$(printers)" = "office " ] || fail "the scratch printer is still there: $(printers)"
echo "ok: through the socket: $outcome"

echo "--- a server whose user is not in the admin group stops rather than leave its socket open"
kill "$pid"
wait "$pid" 2> /dev/null || true
setpriv --reuid=daemon --regid=daemon --clear-groups env TMPDIR="$scratch/tmp" "$app" server \
    -o state-directory="$scratch/state" -o server-port="$port" -o admin-group=staff \
    -o auth-service=login >> "$work/server.out" 2>&1 &
pid=$!
for _ in $(seq 50); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2> /dev/null && fail "the server still runs"
pid=
grep -q "cannot be kept from other users" "$scratch/state/cv-printer-app.log" ||
    fail "the server did not say why it stopped"
echo "ok: it stopped, saying why"
echo "all administration checks passed"
