# A cupsd of a test's own, sourced with $work set to a scratch folder anyone may enter: its
# configuration, spool, logs and server folder there, a port on 127.0.0.1, file: devices, no
# authentication. private_cupsd_prepare makes the folders (CUPS's own daemons, backends and
# filters linked in serverbin/), where the test adds its own; private_cupsd_start starts it and
# sets $cupsd_pid, $cupsd_port and the CUPS_SERVER its commands use. The test stops it.
private_cupsd_prepare() {
    mkdir -p "$work"/{conf/ppd,spool,log,cache,state,tmp,serverbin/filter,lib,out,home}
    chmod 1777 "$work/out" "$work/tmp"
    for folder in daemon backend notifier; do
        ln -s "/usr/lib/cups/$folder" "$work/serverbin/$folder"
    done
    for filter in /usr/lib/cups/filter/*; do
        ln -s "$filter" "$work/serverbin/filter/"
    done
}

private_cupsd_start() {
    # A free port, counted from one that depends on the scratch folder.
    cupsd_port=$((20000 + $(cksum <<< "$work" | cut -d' ' -f1) % 20000))
    while (exec 3<> "/dev/tcp/127.0.0.1/$cupsd_port") 2> /dev/null; do
        cupsd_port=$((cupsd_port + 1))
    done
    cat > "$work/conf/cupsd.conf" << CONF
Listen 127.0.0.1:$cupsd_port
LogLevel debug
MaxLogSize 0
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    {
        echo "ServerRoot $work/conf"
        echo "RequestRoot $work/spool"
        echo "CacheDir $work/cache"
        echo "StateDir $work/state"
        echo "TempDir $work/tmp"
        echo "ServerBin $work/serverbin"
        echo "ErrorLog $work/log/error_log"
        echo "AccessLog $work/log/access_log"
        echo "PageLog $work/log/page_log"
        echo "FileDevice Yes"
        if [ "$(id -u)" != 0 ]; then
            echo "User $(id -un)"
            echo "Group $(id -gn)"
        fi
    } > "$work/conf/cups-files.conf"

    cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" \
        > "$work/log/cupsd.out" 2>&1 &
    cupsd_pid=$!
    export CUPS_SERVER=127.0.0.1:$cupsd_port HOME=$work/home
    for _ in $(seq 100); do
        lpstat -r 2> /dev/null | grep -q "is running" && return 0
        kill -0 "$cupsd_pid" 2> /dev/null || { cat "$work/log/cupsd.out"; exit 1; }
        sleep 0.2
    done
    echo "the private cupsd did not start"
    exit 1
}
