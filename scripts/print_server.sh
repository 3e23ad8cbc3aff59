# A private CUPS server for the tests, sourced by scripts/test: its own
# configuration, spool, logs and a cups-pdf queue (the default) with its
# output folder, all under one folder of the build; a Unix socket only, no
# network. start_print_server DIR exports CUPS_SERVER (the socket) and
# CLUSTER_TEST_QUEUE / CLUSTER_TEST_QUEUE_OUT (the queue and the folder its
# PDFs arrive in), or, where no server can be started here (not root),
# CLUSTER_PRINT_SERVER_SKIP with the reason and CUPS_SERVER at a socket that
# does not exist, so that no test reaches the machine's own printers.
# stop_print_server ends it.

PRINT_SERVER_PID=""

start_print_server() {
  local dir=$1
  rm -rf "$dir"
  mkdir -p "$dir"/{etc,spool,tmp,cache,state,log,out}
  export CUPS_SERVER="$dir/cups.sock"
  export CLUSTER_TEST_QUEUE=cluster-test
  export CLUSTER_TEST_QUEUE_OUT="$dir/out"
  if [ "$(id -u)" -ne 0 ]; then
    export CLUSTER_PRINT_SERVER_SKIP="the private print server needs root (cupsd runs the cups-pdf backend as root)"
    export CUPS_SERVER="$dir/none.sock"
    return 0
  fi
  if ! command -v cupsd >/dev/null || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    export CLUSTER_PRINT_SERVER_SKIP="cups or printer-driver-cups-pdf is not installed"
    export CUPS_SERVER="$dir/none.sock"
    return 0
  fi
  chmod 0755 "$dir" "$dir"/*
  chmod 1777 "$dir/tmp" "$dir/out"
  cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
Browsing Off
DefaultAuthType None
LogLevel warn
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
  cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
CONF
  # cups-pdf reads the configuration named after the queue's device.
  cat >"/etc/cups/cups-pdf-$CLUSTER_TEST_QUEUE.conf" <<CONF
Out $dir/out
AnonDirName $dir/out
UserUMask 0000
Label 0
TitlePref 1
CONF
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
  PRINT_SERVER_PID=$!
  for _ in $(seq 100); do [ -S "$dir/cups.sock" ] && break; sleep 0.05; done
  if ! lpadmin -p "$CLUSTER_TEST_QUEUE" -E -v "cups-pdf:/$CLUSTER_TEST_QUEUE" \
         -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>"$dir/log/lpadmin" ||
     ! lpadmin -d "$CLUSTER_TEST_QUEUE" 2>>"$dir/log/lpadmin"; then
    stop_print_server
    export CLUSTER_PRINT_SERVER_SKIP="the private print server did not start: $(head -c 300 "$dir/log/lpadmin")"
    export CUPS_SERVER="$dir/none.sock"
  fi
}

stop_print_server() {
  if [ -n "$PRINT_SERVER_PID" ]; then
    kill "$PRINT_SERVER_PID" 2>/dev/null
    wait "$PRINT_SERVER_PID" 2>/dev/null
    PRINT_SERVER_PID=""
  fi
  rm -f "/etc/cups/cups-pdf-${CLUSTER_TEST_QUEUE:-cluster-test}.conf"
}
