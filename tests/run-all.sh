#!/bin/sh
# Installs what the tests need that this machine lacks, then runs every suite.
set -eu
cd "$(dirname "$0")/.."

# Debian packages the suites use: the build, the test drivers, a terminal
# multiplexer, the locale sources for a real "Portuguese" locale, the Debian
# packaging tools and the desktop entry checker, the Windows cross toolchain,
# wine to run its output, and a reader of Windows executables; then what the
# benchmark (bench/run.py) measures with.
packages="cmake make g++ python3 tmux locales dpkg-dev file desktop-file-utils
          g++-mingw-w64-x86-64-posix wine wine64 python3-pefile
          valgrind time"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f '${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    [ "$status" = "ii " ] || missing="$missing $package"
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
        echo "The tests need these Debian packages, which are not installed:$missing" >&2
        echo "Install them as root (apt-get install$missing) or run this script as root." >&2
        exit 1
    fi
    echo "Installing:$missing"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi

for suite in release sanitize windows; do
    cmake --workflow --preset "$suite" --fresh
done
