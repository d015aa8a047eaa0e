# Private CUPS scheduler for integration tests: its own config in a temporary folder, a Unix
# socket for the program (CUPS_SERVER) and a loopback port for ipptool, and raw queues whose
# bytes a capture server stores. Source this file; call cups_start, then cups_add_queue.

CAPTURE_PIDS=""
CUPSD_PID=""
CUPS_TMP=""
HARNESS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PPD_DIR="$HARNESS_DIR/../ppd"

cups_free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# cups_start - Starts cupsd in $CUPS_TMP; exports CUPS_SERVER and CUPS_PORT.
cups_start() {
  CUPS_TMP=$(mktemp -d /tmp/tavrel-cups.XXXXXX)
  chmod 755 "$CUPS_TMP"
  mkdir -p "$CUPS_TMP"/{etc/ppd,spool/tmp,cache,state,log,capture}
  chmod 1777 "$CUPS_TMP/spool/tmp"
  chmod 777 "$CUPS_TMP/spool" "$CUPS_TMP/cache" "$CUPS_TMP/state" "$CUPS_TMP/log" "$CUPS_TMP/capture"
  CUPS_PORT=$(cups_free_port)
  local user_line="" group_line=""
  if [ "$(id -u)" = 0 ]; then user_line="User lp"; group_line="Group lp"; fi
  cat > "$CUPS_TMP/etc/cups-files.conf" <<CONF
$user_line
$group_line
SystemGroup root
ServerRoot $CUPS_TMP/etc
RequestRoot $CUPS_TMP/spool
TempDir $CUPS_TMP/spool/tmp
CacheDir $CUPS_TMP/cache
StateDir $CUPS_TMP/state
ErrorLog $CUPS_TMP/log/error_log
AccessLog $CUPS_TMP/log/access_log
PageLog $CUPS_TMP/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
FileDevice No
CONF
  cat > "$CUPS_TMP/etc/cupsd.conf" <<CONF
Listen $CUPS_TMP/cups.sock
Listen 127.0.0.1:$CUPS_PORT
LogLevel debug
Browsing No
DefaultAuthType None
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles No
MaxJobs 0
JobRetryLimit 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  /usr/sbin/cupsd -f -c "$CUPS_TMP/etc/cupsd.conf" -s "$CUPS_TMP/etc/cups-files.conf" \
    > "$CUPS_TMP/log/cupsd.out" 2>&1 &
  CUPSD_PID=$!
  export CUPS_SERVER="$CUPS_TMP/cups.sock"
  export CUPS_PORT CUPS_TMP
  local i
  for i in $(seq 1 100); do
    if lpstat -r 2>/dev/null | grep -q "is running"; then return 0; fi
    sleep 0.1
  done
  echo "cupsd did not start" >&2
  cat "$CUPS_TMP/log/cupsd.out" "$CUPS_TMP/log/error_log" >&2 2>/dev/null
  return 1
}

# cups_add_queue NAME [PPD] - A raw queue whose jobs land in $CUPS_TMP/capture/NAME.
cups_add_queue() {
  local name=$1 ppd=${2:-raw.ppd}
  local folder="$CUPS_TMP/capture/$name"
  mkdir -p "$folder"
  python3 "$HARNESS_DIR/capture_server.py" "$folder/port" "$folder" &
  CAPTURE_PIDS="$CAPTURE_PIDS $!"
  local i
  for i in $(seq 1 50); do [ -f "$folder/port" ] && break; sleep 0.1; done
  lpadmin -p "$name" -v "socket://127.0.0.1:$(cat "$folder/port")/?snmp=false" -P "$PPD_DIR/$ppd" -E \
    || return 1
  cupsenable "$name" && cupsaccept "$name"
}

# cups_wait_jobs NAME COUNT [SECONDS] - Waits until COUNT jobs have arrived at the queue.
cups_wait_jobs() {
  local folder="$CUPS_TMP/capture/$1" want=$2 limit=${3:-20} i
  for i in $(seq 1 $((limit * 10))); do
    [ "$(ls "$folder"/job-*.bin 2>/dev/null | wc -l)" -ge "$want" ] && return 0
    sleep 0.1
  done
  return 1
}

cups_job_file() { echo "$CUPS_TMP/capture/$1/job-$(printf %03d "$2").bin"; }

# cups_job_name ID - The job-name of job ID, read back over IPP (Get-Job-Attributes loads a
# finished job's attributes again, which Get-Jobs does not always do).
cups_job_name() {
  cat > "$CUPS_TMP/get-job.test" <<'TEST'
{
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri job-uri $uri
  ATTR name requesting-user-name $user
  ATTR keyword requested-attributes job-name
  DISPLAY job-name
}
TEST
  ipptool -tv "ipp://127.0.0.1:$CUPS_PORT/jobs/$1" "$CUPS_TMP/get-job.test" 2>/dev/null |
    sed -n 's/^ *job-name ([a-zA-Z]*) = //p'
}

cups_stop() {
  [ -n "$CUPSD_PID" ] && kill "$CUPSD_PID" 2>/dev/null
  for p in $CAPTURE_PIDS; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  [ -n "$CUPS_TMP" ] && [ -z "${KEEP_CUPS_TMP:-}" ] && rm -rf "$CUPS_TMP"
  return 0
}
