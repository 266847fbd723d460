#!/usr/bin/env bash
# Starts or stops a software TPM for the tests, on loopback only.
# usage: swtpm.sh start STATE_DIR [PORT]   (control channel on PORT+1; default 2321)
#        swtpm.sh stop STATE_DIR
# The state folder keeps the TPM's seeds, so a TPM restarted on the same folder is the same
# TPM; a new folder is another TPM.
set -euo pipefail
action=${1:?start or stop}
state=${2:?state folder}
port=${3:-2321}
pidfile="$state/swtpm.pid"

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$action" in
  start)
    if listening "$port" || listening "$((port + 1))"; then
      echo "port $port or $((port + 1)) is already taken; not starting a second TPM there" >&2
      exit 1
    fi
    mkdir -p "$state"
    rm -f "$pidfile"
    swtpm socket --tpm2 --daemon \
      --tpmstate dir="$state" \
      --server type=tcp,port="$port",bindaddr=127.0.0.1 \
      --ctrl type=tcp,port="$((port + 1))",bindaddr=127.0.0.1 \
      --flags not-need-init,startup-clear \
      --pid file="$pidfile" \
      --log file="$state/swtpm.log"
    for _ in $(seq 100); do
      if [[ -s "$pidfile" ]] && listening "$((port + 1))"; then exit 0; fi
      sleep 0.05
    done
    echo "swtpm did not come up on port $port" >&2
    exit 1
    ;;
  stop)
    [[ -s "$pidfile" ]] || exit 0
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || { rm -f "$pidfile"; exit 0; }
      sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    rm -f "$pidfile"
    ;;
  *)
    echo "usage: swtpm.sh start|stop STATE_DIR [PORT]" >&2
    exit 2
    ;;
esac
