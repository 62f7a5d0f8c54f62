#!/usr/bin/env bash
# The cashier's account on a cluster: quorvel-admin init on one node of the
# cluster scripts/test starts ($QUORVEL_CLUSTER_DIR) makes the database and
# the account; every node then holds exactly a desk's rights for it, and
# the account logs in on each over TCP, reads, and is refused a write a
# desk never makes.
#
#   test_cluster_admin.sh QUORVEL_ADMIN
set -euo pipefail
admin=${1:?the quorvel-admin program}
src=$(cd "$(dirname "$0")/../.." && pwd)
dir=${QUORVEL_CLUSTER_DIR:-}
if [[ -z "$dir" ]]; then
    echo "no cluster: scripts/test starts one and sets QUORVEL_CLUSTER_DIR"
    exit 77
fi
base=${QUORVEL_CLUSTER_PORT:-33060}
db=qvc$$
user=k$$
password=' senha, "de;teste" \ #=ção'
node_sql() { mariadb --no-defaults --socket="$dir/node$1/sock" -uroot -N -B -e "$2"; }
cleanup() { node_sql 1 "DROP DATABASE IF EXISTS $db; DROP USER IF EXISTS '$user'@'127.0.0.1'" || true; }
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

printf '%s\n' "$password" | "$admin" init --socket "$dir/node1/sock" --share "$src/db" --database "$db" \
    --account "$user@127.0.0.1" --password-file - --demo
for n in 1 2 3; do
    out=$("$admin" check --socket "$dir/node$n/sock" --share "$src/db" --database "$db" --account "$user@127.0.0.1") \
        || fail "node $n: check found problems: $out"
    grep -qF "ok: $user@127.0.0.1 holds exactly a desk's rights on $db" <<<"$out" || fail "node $n: rights not checked"
    as_desk=(mariadb --no-defaults -h127.0.0.1 -P$((base + n)) -u"$user" -p"$password" -N -B "$db")
    [[ $("${as_desk[@]}" -e "SELECT COUNT(*) FROM mov_Mesa" 2>&1) == 320 ]] || fail "node $n: the account cannot read"
    if err=$("${as_desk[@]}" -e "INSERT INTO mov_Mesa (idMesa) VALUES (9901)" 2>&1); then
        fail "node $n: the account may insert table positions"
    else
        grep -q "ERROR 1142" <<<"$err" || fail "node $n: unexpected refusal: $err"
    fi
done
# No scratch database left on any node.
for n in 1 2 3; do
    [[ -z $(node_sql "$n" "SHOW DATABASES LIKE '${db}\\_qvcheck'") ]] || fail "node $n keeps ${db}_qvcheck"
done
if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "cluster account checks passed"
