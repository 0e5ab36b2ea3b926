#!/usr/bin/env bash
# The update servers of the Wine tests: one nginx that answers for every host
# name the programs were built with, and a small server (fault_server.py) for
# the faults nginx cannot play by itself.
#
#   update-servers.sh start RUN_DIR WEB UPDATE1 UPDATE2 UPDATE3 STAT
#   update-servers.sh stop RUN_DIR
#
# The tests reach them through the prefix's system proxy (they set it to
# 127.0.0.1 and the port written to C:\KarvexServer\port), so every request
# keeps its real host name and nginx picks the server block by it. What is
# served lies in the prefix, where the tests write it:
#   C:\KarvexServer\srv\ieupdate    the tree (karvex-publisher publish); the
#                                   web site and update servers 1 and 2 serve
#                                   it under /ieupdate, update server 3 bare
#   C:\KarvexServer\faults\<host><path>.<kind>
#                                   that request plays the fault <kind>:
#                                   500      answers 500
#                                   drop     the connection closes unanswered
#                                   slow     comes at 20 KB/s
#                                   stall, silent, cut, short, endless,
#                                   first404 as fault_server.py says
#   C:\KarvexServer\access.log      "<host> <path> <status> <bytes>" per request
# Both servers are stopped by their PIDs.
set -euo pipefail

usage() { echo "usage: update-servers.sh start RUN_DIR WEB UPDATE1 UPDATE2 UPDATE3 STAT | stop RUN_DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage
command=$1
run_dir=$(realpath -m "$2")
shift 2
state=$run_dir/servers
share=$run_dir/pfx/drive_c/KarvexServer

# free_ports N: N ports that nothing listens on, all different.
free_ports() {
    /usr/bin/python3 -c 'import socket, sys
sockets = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in sockets: s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in sockets))' "$1"
}

# Whether process $1 still runs (an ended one may wait as a zombie for its reaper).
alive() { local stat; stat=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $stat != Z* ]]; }

stop_pid() {  # stop_pid FILE: ends the process whose id FILE holds
    [ -f "$1" ] || return 0
    local pid
    pid=$(cat "$1")
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
        alive "$pid" && kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$1"
}

stop() {
    stop_pid "$state/nginx.pid"
    stop_pid "$state/faults.pid"
}

start() {
    [ $# -eq 5 ] || usage
    local web=$1 update1=$2 update2=$3 update3=$4 stat=$5
    stop
    [ -d "$run_dir/pfx/drive_c" ] || { echo "update-servers: no prefix in $run_dir" >&2; exit 1; }
    mkdir -p "$state/temp" "$share/srv" "$share/faults"
    local kinds=(stall silent cut short endless first404) ports port i
    read -r -a ports <<<"$(free_ports $((${#kinds[@]} + 1)))"
    port=${ports[0]}

    # Requests ask for absolute addresses through the proxy; $host is the
    # host name they named.
    local faults='
        if (-f '"$share"'/faults/$host$uri.500) { return 500; }
        if (-f '"$share"'/faults/$host$uri.drop) { return 444; }
        if (-f '"$share"'/faults/$host$uri.slow) { set $limit_rate 20k; }'
    local fault_ports=()
    for i in "${!kinds[@]}"; do
        fault_ports+=("${kinds[$i]}=${ports[$((i + 1))]}")
        faults+='
        if (-f '"$share"'/faults/$host$uri.'"${kinds[$i]}"') { proxy_pass http://127.0.0.1:'"${ports[$((i + 1))]}"'; }'
    done
    setsid /usr/bin/python3 "$(dirname "$0")/fault_server.py" "${fault_ports[@]}" \
        </dev/null >"$state/faults.log" 2>&1 &
    echo $! >"$state/faults.pid"
    cat >"$state/nginx.conf" <<CONF
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log;
events { worker_connections 256; }
http {
    log_format plain '\$host \$request_uri \$status \$body_bytes_sent';
    access_log $share/access.log plain;
    client_body_temp_path $state/temp/body;
    proxy_temp_path $state/temp/proxy;
    fastcgi_temp_path $state/temp/fastcgi;
    uwsgi_temp_path $state/temp/uwsgi;
    scgi_temp_path $state/temp/scgi;
    # The client sends an MSIE user agent: answers, 404 too, stay byte-exact.
    msie_padding off;
    msie_refresh off;
    default_type application/octet-stream;
    types { text/plain ver; }
    proxy_read_timeout 120s;
    # What the fault server sends, and where its answers are found.
    proxy_set_header X-Karvex-File \$request_filename;
    proxy_set_header X-Karvex-Fault $share/faults/\$host\$uri;
    # Passed on as the client reads it, never spooled: an endless body must
    # not fill the disk.
    proxy_max_temp_file_size 0;

    server {
        listen 127.0.0.1:$port;
        server_name $web $update1 $update2;
        root $share/srv;
        location / {$faults
        }
    }
    server {
        listen 127.0.0.1:$port;
        server_name $update3;
        root $share/srv/ieupdate;
        location / {$faults
        }
    }
    server {
        listen 127.0.0.1:$port;
        server_name $stat;
        location / { return 200 "counted\n"; }
    }
    server {
        listen 127.0.0.1:$port default_server;
        return 404;
    }
}
CONF
    # Debian installs it in /usr/sbin, which a user's PATH may lack.
    local nginx
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/error.log"
    for _ in $(seq 50); do [ -s "$state/nginx.pid" ] && break; sleep 0.1; done
    [ -s "$state/nginx.pid" ] || { cat "$state/error.log" >&2; echo "update-servers: nginx did not start" >&2; exit 1; }
    echo "$port" >"$share/port"
    echo "update-servers: nginx on 127.0.0.1:$port, fault server on ${fault_ports[*]}"
}

case $command in
    start) start "$@" ;;
    stop) stop ;;
    *) usage ;;
esac
