#!/usr/bin/env bash
# install_into_prefix.sh BUILD_DIR PREFIX : a fresh `cmake --install` into PREFIX, then made
#                                           read-only as a system folder would be.
# install_into_prefix.sh --remove PREFIX  : removes it again.
set -euo pipefail

remove() {
    if [ -e "$1" ]; then
        chmod -R u+w "$1"
        rm -rf "$1"
    fi
}

if [ "$1" = "--remove" ]; then
    remove "$2"
    exit 0
fi
build=$1
prefix=$2
remove "$prefix"
mkdir -p "$prefix"
cmake --install "$build" --prefix "$prefix"
chmod -R a-w "$prefix"
