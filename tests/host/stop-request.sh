# Sourced by the host's test scripts: a stop request to a running program.
# stop_request PID SIGNAL: sends SIGNAL to PID half a second after it started, and succeeds when it
# has ended within 3 s (a second is what it has, the rest slack for a busy machine); one still
# running then is killed, and the call fails.
stop_request() {
    local pid=$1 signal=$2
    sleep 0.5
    kill "-$signal" "$pid"
    for _ in $(seq 30); do
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2> /dev/null; then
        kill -KILL "$pid"
        wait "$pid" 2> /dev/null
        return 1
    fi
    wait "$pid" 2> /dev/null
    return 0
}
