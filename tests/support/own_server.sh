#!/usr/bin/env bash
# Runs a test on a MariaDB server of its own (scripts/db in a throw-away
# folder), for the tests that stop the server or copy the whole of it: the
# other test programs go on side by side on the shared one.
#
#   own_server.sh COMMAND [ARGS...]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-own-db.XXXXXX")
cleanup() {
    "$src/scripts/db" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap cleanup EXIT
"$src/scripts/db" start "$dir"
QUORVEL_TEST_SOCKET="$dir/sock" "$@"
