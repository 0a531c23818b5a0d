#!/bin/sh
# Runs a Windows program under wine in the given prefix, quietly:
#   wine.sh PREFIX PROGRAM [ARGUMENT]...
#   wine.sh PREFIX --start    creates the prefix and keeps a wine server up
#   wine.sh PREFIX --stop     ends the server and everything it runs
set -eu
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case "${1-}" in
--start)
    # The server and the services wineboot starts outlive this script: they
    # must not hold the caller's output open.
    mkdir -p "$WINEPREFIX"
    # Refused when a server already runs for this prefix: that one serves too.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine wineboot --init </dev/null >/dev/null 2>&1
    ;;
--stop)
    # Waits until the server is gone, so that the next start finds none.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    ;;
*)
    exec wine "$@"
    ;;
esac
