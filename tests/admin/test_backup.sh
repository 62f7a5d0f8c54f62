#!/usr/bin/env bash
# The backup of docs/DEPLOYING.md, on the test server: mariadb-backup copies
# the running server holding a restaurant made by quorvel-admin, the copy is
# prepared, a second server starts on it, and quorvel-admin check finds the
# restaurant there whole, with the cashier's account and its rights.
#
#   test_backup.sh QUORVEL_ADMIN      (QUORVEL_TEST_SOCKET: the test server)
set -euo pipefail
admin=${1:?the quorvel-admin program}
src=$(cd "$(dirname "$0")/../.." && pwd)
socket=${QUORVEL_TEST_SOCKET:?run through scripts/test, which starts the test server}
db=qvb$$
user=b$$
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-backup-test.XXXXXX")
cleanup() {
    "$src/scripts/db" stop "$tmp/restored" >/dev/null 2>&1 || true
    mariadb --no-defaults --socket="$socket" -uroot -e "DROP DATABASE IF EXISTS $db; DROP USER IF EXISTS '$user'@'localhost'" || true
    rm -rf "$tmp"
}
trap cleanup EXIT

printf 'segredo\n' | "$admin" init --socket "$socket" --share "$src/db" --database "$db" \
    --account "$user@localhost" --password-file - --demo >/dev/null
# A sale in progress, to find again in the copy.
mariadb --no-defaults --socket="$socket" -uroot "$db" -e "UPDATE mov_Mesa SET status='A', qtdPessoas=7 WHERE idMesa=1203"

mariadb-backup --backup --socket="$socket" --user=root --target-dir="$tmp/backup" >"$tmp/backup.log" 2>&1 \
    || { tail -20 "$tmp/backup.log" >&2; exit 1; }
mariadb-backup --prepare --target-dir="$tmp/backup" >"$tmp/prepare.log" 2>&1 \
    || { tail -20 "$tmp/prepare.log" >&2; exit 1; }
mkdir -p "$tmp/restored"
mv "$tmp/backup" "$tmp/restored/data"
"$src/scripts/db" start "$tmp/restored"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
out=$("$admin" check --socket "$tmp/restored/sock" --share "$src/db" --database "$db" --account "$user@localhost") \
    || fail "check on the restored copy: $out"
grep -qF "ready for the desks" <<<"$out" || fail "the restored copy is not ready: $out"
[[ $(mariadb --no-defaults --socket="$tmp/restored/sock" -u"$user" -psegredo -N -B "$db" \
    -e "SELECT CONCAT(status, qtdPessoas) FROM mov_Mesa WHERE idMesa=1203") == A7 ]] \
    || fail "the open table is not in the copy, or the account cannot read it"
if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "backup checks passed"
