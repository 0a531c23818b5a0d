#!/bin/sh
# Installs what the tests need that this machine lacks, then runs every suite.
set -eu
cd "$(dirname "$0")/.."

# Debian packages the suites use: the build, the test drivers, a terminal
# multiplexer, the locale sources for a real "Portuguese" locale, the Debian
# packaging tools, their judges (lintian, hardening-check from devscripts,
# mandoc and man for the manual page) and the desktop entry checker, the
# Windows cross toolchain, wine to run its output, a reader of Windows
# executables, reprotest with what it varies the builds by and diffoscope to
# show a difference; then what the benchmark (bench/run.py) measures with.
packages="cmake make g++ python3 tmux locales dpkg-dev file desktop-file-utils
          lintian devscripts mandoc man-db
          g++-mingw-w64-x86-64-posix wine wine64 python3-pefile
          reprotest diffoscope-minimal faketime disorderfs fuse3
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
    # Recommendations would bring hundreds of packages, locales-all among
    # them, which changes what the program's locale request costs.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

for suite in release portable sanitize windows; do
    cmake --workflow --preset "$suite" --fresh
done
