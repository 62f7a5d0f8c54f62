#!/usr/bin/env bash
# The README's "Installing on a cash desk", followed as written, in a clean
# Debian 12 made by debootstrap from Debian's mirror: the package built by
# scripts/package from this build tree ($QUORVEL_BUILD_DIR) is installed
# with what apt brings for it, quorvel-admin sets the server up, the
# cashier's configuration and session files are written by the README's own
# commands, and Quorvel, started as the cashier on a virtual X display,
# reaches the board of tables once the desk is chosen. quorvel-admin check
# is run on an empty and on a complete database too.
#
# The commands are the README's indented blocks of that section, in order:
# a block changed there is what runs here. Three things differ from a real
# machine, and are set here before the README's steps: the server and the
# desk are the same machine, so the addresses become localhost; a chroot
# runs no systemd, so a stand-in `systemctl` starts and stops the server,
# and apt starts it once installed; apt answers yes by itself.
#
# Needs root (chroot, mounts), run through sudo otherwise. The base system
# and the packages apt downloads are cached under $QUORVEL_BUILD_DIR/install-test.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVEL_BUILD_DIR:?run through ctest, which sets QUORVEL_BUILD_DIR}
if [[ $(id -u) -ne 0 ]]; then
    exec sudo --preserve-env=QUORVEL_BUILD_DIR,QUORVEL_DEBIAN_MIRROR,TMPDIR bash "$0" "$@"
fi
mirror=${QUORVEL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache="$build/install-test"
mkdir -p "$cache/apt"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "--- $*"; }

# --- the clean Debian 12, made once and unpacked fresh every run
base="$cache/bookworm-minbase.tar.gz"
if [[ ! -f "$base" ]]; then
    step "debootstrap bookworm from $mirror (once; cached in $base)"
    boot=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-debootstrap.XXXXXX")
    debootstrap --variant=minbase --include=sudo,ca-certificates bookworm "$boot" "$mirror" >"$cache/debootstrap.log" 2>&1 \
        || { tail -30 "$cache/debootstrap.log" >&2; rm -rf "$boot"; exit 1; }
    # The root of a system is 755, whatever folder debootstrap was given.
    chmod 755 "$boot"
    tar -C "$boot" -czf "$base.part" .
    mv "$base.part" "$base"
    rm -rf "$boot"
fi

"$src/scripts/package" "$cache" >/dev/null
debs=("$cache"/quorvel_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { echo "FAIL: no single quorvel_*.deb in $cache" >&2; exit 1; }
deb=${debs[0]}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-install-test.XXXXXX")
root="$tmp/root"
mounted=()
cleanup() {
    set +e
    # Every process still running in the chroot (the server, X, Quorvel)
    # was started by this test: each is ended by its id.
    for p in /proc/[0-9]*; do
        [[ "$(readlink "$p/root" 2>/dev/null)" == "$root" ]] && kill "${p#/proc/}" 2>/dev/null
    done
    sleep 1
    for p in /proc/[0-9]*; do
        [[ "$(readlink "$p/root" 2>/dev/null)" == "$root" ]] && kill -9 "${p#/proc/}" 2>/dev/null
    done
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}"; done
    rm -rf "$tmp"
}
trap cleanup EXIT
mkdir -p "$root"
tar -C "$root" -xzf "$base"
# Its services run as users of their own, who must be able to enter it.
chmod 755 "$root"
for m in proc sys dev dev/pts; do
    mount --bind "/$m" "$root/$m"
    mounted+=("$root/$m")
done
mkdir -p "$root/var/cache/apt/archives"
mount --bind "$cache/apt" "$root/var/cache/apt/archives"
mounted+=("$root/var/cache/apt/archives")
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '127.0.0.1 localhost %s\n' "$(hostname)" >"$root/etc/hosts"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
echo 'APT::Get::Assume-Yes "true";' >"$root/etc/apt/apt.conf.d/90yes"
# A throw-away root needs no fsync after every file dpkg unpacks.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/90unsafe-io"
echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/90keep"
cat >"$root/usr/local/bin/systemctl" <<'EOF'
#!/bin/sh
# systemctl start|stop|restart mariadb, in a chroot without systemd (nor an
# init script): the server as its unit would run it.
set -e
[ "$2" = mariadb ] || { echo "systemctl stand-in: mariadb only, not $2" >&2; exit 1; }
running() { mariadb-admin ping >/dev/null 2>&1; }
case "$1" in
stop | restart)
    if running; then
        pid=$(cat /run/mysqld/mysqld.pid)
        mariadb-admin shutdown
        while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    fi
    ;;
start) if running; then exit 0; fi ;;
*) echo "systemctl stand-in: start, stop or restart, not $1" >&2; exit 1 ;;
esac
[ "$1" = stop ] && exit 0
install -d -o mysql -g mysql /run/mysqld
setsid /usr/sbin/mariadbd --user=mysql </dev/null >/var/log/mariadbd.out 2>&1 &
for i in $(seq 300); do
    if running; then exit 0; fi
    sleep 0.1
done
echo "mariadbd did not start: /var/log/mariadbd.out" >&2
tail -n 30 /var/log/mariadbd.out >&2
exit 1
EOF
# The server starts once installed, as systemd would start it.
echo 'DPkg::Post-Invoke { "if [ -x /usr/sbin/mariadbd ]; then /usr/local/bin/systemctl start mariadb; fi"; };' \
    >"$root/etc/apt/apt.conf.d/90start-mariadb"
chmod 755 "$root/usr/local/bin/systemctl"
cp "$deb" "$root/root/"
# The desk's cashier, a Debian account as any desk has.
chroot "$root" useradd -m -s /bin/bash caixa

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 bash -c "cd /root && $1"; }
as_cashier() { chroot "$root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
    su - caixa -c "$1"; }
step "apt-get update"
in_root "apt-get update -qq" >/dev/null

# --- the README's blocks
readme_blocks() {
    awk '
        /^## Installing on a cash desk/ { on = 1; next }
        on && /^## / { on = 0 }
        !on { next }
        /^    / { if (!inblock) { n++; inblock = 1 } sub(/^    /, ""); print > (dir "/block" n); next }
        /^$/ { next }
        { inblock = 0 }
    ' dir="$1" "$src/README.md"
}
mkdir -p "$tmp/blocks"
readme_blocks "$tmp/blocks"
blocks=$(ls "$tmp/blocks" | wc -l)
# The package build, the server (install and init; positions; network and
# check), the desk (install and folder; configuration), the day's session.
who=(- root root root root caixa caixa)
[[ $blocks -eq ${#who[@]} ]] || { echo "FAIL: the README's install section has $blocks command blocks, not ${#who[@]}" >&2; exit 1; }
password='Senha-de-teste-42'
printf '%s\n' "$password" >"$root/root/caixa.pw"
chmod 600 "$root/root/caixa.pw"
for ((b = 2; b <= blocks; b++)); do
    # One machine: the server's and the desk's addresses are localhost. The
    # password that init asks at a terminal comes from a file instead.
    sed -e "s/192\.168\.0\.%/localhost/g; s/host=192\.168\.0\.10/host=localhost/" \
        -e "s|^password=the account's password|password=$password|" \
        -e "s|^sudo quorvel-admin init \(.*\)|sudo quorvel-admin init \1 --password-file /root/caixa.pw|" \
        "$tmp/blocks/block$b" >"$root/tmp/block$b.sh"
    chmod 644 "$root/tmp/block$b.sh"
    step "README block $b, as ${who[b - 1]}:"
    sed 's/^/    /' "$root/tmp/block$b.sh"
    if [[ ${who[b - 1]} == root ]]; then
        in_root "set -e; . /tmp/block$b.sh" >"$tmp/out$b" 2>&1 || { cat "$tmp/out$b" >&2; fail "README block $b"; }
    else
        as_cashier "set -e; cd; . /tmp/block$b.sh" >"$tmp/out$b" 2>&1 || { cat "$tmp/out$b" >&2; fail "README block $b"; }
    fi
    grep -v '^\(Selecting\|Preparing\|Unpacking\|Setting up\|Processing\|Get:\|Reading\|Building\|Fetched\|debconf\|Need to get\|After this\|\s\)' "$tmp/out$b" | head -40 | sed 's/^/    | /' || true
    ((failures == 0)) || exit 1
done

# What the steps left: a server with the demo restaurant that check finds
# complete, the cashier's rights exactly a desk's, the session files.
step "check on the complete database"
in_root "quorvel-admin check --account caixa@localhost" >"$tmp/check" 2>&1 || fail "check on the complete database"
grep -qF "ready for the desks" "$tmp/check" || { cat "$tmp/check" >&2; fail "the complete database is not ready"; }
step "check on an empty database"
in_root "quorvel-admin init --database vazio" >/dev/null 2>&1 || fail "init of an empty database"
if in_root "quorvel-admin check --database vazio" >"$tmp/empty" 2>&1; then
    fail "check on an empty database exits 0"
fi
# The version the package carries is the schema's own.
packaged=$(sed -n "s/^INSERT INTO tab_VersaoEsquema (versao, origem) VALUES (\([0-9]*\), 'schema.sql');$/\1/p" "$src/db/schema.sql")
[[ -n $packaged ]] || fail "no schema version in db/schema.sql"
for line in "ok: schema version $packaged, as packaged" 'parameters (tab_Parametros, idParam 1) are missing' 'no operator' \
    'no product' 'share product 999999' 'mov_Mesa is empty' '5 problem(s) found'; do
    grep -qF -- "$line" "$tmp/empty" || { cat "$tmp/empty" >&2; fail "check on an empty database: no '$line'"; }
done
[[ $(stat -c '%u %a' "$root/home/caixa/.config/quorvel/quorvel.ini") == "$(chroot "$root" id -u caixa) 600" ]] || fail "the INI is not the cashier's alone"
[[ -s "$root/srv/velmorant/C/Velmorant/Temp/Variaveis.txt" ]] || fail "no shared-variables file"
[[ -s "$root/srv/velmorant/C/Velmorant/TARVINE/Arquivos/CAIXACT.PAD" ]] || fail "no cash-desk control file"

# --- the desk: Quorvel on a virtual display, Enter on the desk choice,
# and the board rebuilt by the cashier's account.
step "starting Quorvel as the cashier"
install -d -m 1777 "$root/tmp/.X11-unix"
in_root "apt-get install -qq --no-install-recommends xvfb xauth xdotool" >/dev/null 2>&1 || fail "installing xvfb"
in_root "mariadb -e \"SET GLOBAL general_log_file='/tmp/general.log'; SET GLOBAL general_log=ON\""
as_cashier "Xvfb :77 -screen 0 1280x800x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &"
as_cashier "for i in \$(seq 50); do [ -e /tmp/.X11-unix/X77 ] && break; sleep 0.1; done
            DISPLAY=:77 nohup quorvel >/tmp/quorvel.out 2>&1 &"
window=$(as_cashier "DISPLAY=:77 timeout 30 xdotool search --sync --onlyvisible --name Quorvel" 2>/dev/null | head -1) || true
[[ -n "$window" ]] || fail "Quorvel shows no window"
board_query='SELECT COUNT(DISTINCT(idMesa DIV 100))FROM mov_Mesa'
sleep 2
grep -qF "$board_query" "$root/tmp/general.log" && fail "the board was built before a desk was chosen"
as_cashier "DISPLAY=:77 xdotool key Return"
for _ in $(seq 60); do
    grep -qF "$board_query" "$root/tmp/general.log" && break
    sleep 0.5
done
if grep -qF "$board_query" "$root/tmp/general.log"; then
    echo "the board was built"
    grep -F 'Connect' "$root/tmp/general.log" | grep -F 'caixa@localhost' >/dev/null \
        || fail "the desk did not connect as caixa"
else
    fail "no board after choosing the desk"
    sed 's/^/    quorvel: /' "$root/tmp/quorvel.out" >&2
fi
as_cashier "pgrep -x quorvel >/dev/null" || { fail "Quorvel is not running on its board"; cat "$root/tmp/quorvel.out" >&2; }

if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install checks passed"
