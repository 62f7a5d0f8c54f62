#!/usr/bin/env bash
# The Debian package as a cash desk's machine sees it. Built by
# scripts/package from this build tree ($QUORVEL_BUILD_DIR), it must hold
# exactly the installed files, carry no path of the build, depend on what
# dpkg-shlibdeps found, pass lintian and the desktop-entry and AppStream
# validators; and its program, started with no configuration, must say
# which file to write and stop.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVEL_BUILD_DIR:?run through ctest, which sets QUORVEL_BUILD_DIR}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-package-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$src/scripts/package" "$tmp/out" >/dev/null
debs=("$tmp"/out/quorvel_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { echo "FAIL: no single quorvel_*.deb in $tmp/out" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# --- control fields: Depends comes from the binaries, with versions
[[ $(dpkg-deb -f "$deb" Package) == quorvel ]] || fail "Package is not quorvel"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 libmariadb3; do
    grep -Fq "$lib (>= " <<<"$depends" || fail "Depends lacks a versioned $lib"
done
# The SVG icon engine is a plugin no binary links: named by hand.
grep -Eq '(^|, )libqt6svg6(,|$)' <<<"$depends" || fail "Depends lacks libqt6svg6"

# --- exactly these files, nothing from the tests or the benchmark
expected="./usr/bin/quorvel
./usr/bin/quorvel-session
./usr/sbin/quorvel-admin
./usr/share/applications/quorvel.desktop
./usr/share/doc/quorvel/changelog.gz
./usr/share/doc/quorvel/copyright
./usr/share/icons/hicolor/scalable/apps/quorvel.svg
./usr/share/man/man1/quorvel-session.1.gz
./usr/share/man/man1/quorvel.1.gz
./usr/share/man/man8/quorvel-admin.8.gz
./usr/share/metainfo/invalid.quorvel.quorvel.metainfo.xml
./usr/share/quorvel/demo.sql
./usr/share/quorvel/schema.sql
./usr/share/quorvel/upgrade/001.sql
./usr/share/quorvel/upgrade/002.sql"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
if [[ "$files" != "$expected" ]]; then
    fail "the package's files differ from the expected ones:"
    diff <(echo "$expected") <(echo "$files") >&2 || true
fi
if dpkg-deb -c "$deb" | awk '{ print $2 }' | grep -vqx 'root/root'; then
    fail "files not owned by root/root"
fi

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
cmp -s "$src/db/schema.sql" "$root/usr/share/quorvel/schema.sql" || fail "schema.sql differs from db/schema.sql"
cmp -s "$src/db/demo.sql" "$root/usr/share/quorvel/demo.sql" || fail "demo.sql differs from db/demo.sql"
for script in "$src"/db/upgrade/*.sql; do
    cmp -s "$script" "$root/usr/share/quorvel/upgrade/$(basename "$script")" || fail "upgrade/$(basename "$script") differs"
done
cmp -s "$src/resources/icons/app.svg" "$root/usr/share/icons/hicolor/scalable/apps/quorvel.svg" \
    || fail "the icon is not resources/icons/app.svg"

# --- the menu entry points at what the package installs
desktop="$root/usr/share/applications/quorvel.desktop"
metainfo="$root/usr/share/metainfo/invalid.quorvel.quorvel.metainfo.xml"
[[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")" ]] || fail "Exec= is not an installed program"
[[ $(sed -n 's/^Icon=//p' "$desktop") == quorvel ]] || fail "Icon= is not the installed icon's name"
grep -qF '<launchable type="desktop-id">quorvel.desktop</launchable>' "$metainfo" \
    || fail "the metainfo does not launch quorvel.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

# --- no trace of the build in the programs
for binary in "$root/usr/bin/quorvel" "$root/usr/bin/quorvel-session" "$root/usr/sbin/quorvel-admin"; do
    program=$(basename "$binary")
    file -b "$binary" | grep -q ', stripped' || fail "$program is not stripped"
    if readelf -d "$binary" | grep -Eq 'RPATH|RUNPATH'; then fail "$program has an RPATH/RUNPATH"; fi
    if strings -a "$binary" | grep -F -e "$src" -e "$build"; then fail "$program names a build path"; fi
done

# --- lintian: errors fail, warnings and notes are shown; the programs are
# built hardened, so no hardening tag may show even among the notes
if ! lintian -I --fail-on error --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1; then
    fail "lintian reports errors"
fi
if grep -E 'hardening-no-' "$tmp/lintian.log" >&2; then
    fail "lintian finds a program built without hardening"
fi
echo "lintian:"
sed 's/^/  /' "$tmp/lintian.log"

# --- the first start with no configuration: the instructions on stderr
# and exit status 1. On the offscreen platform no box is waited on, so a
# hang is a fault too (timeout gives 124).
first_run() { # expected ini path, then env(1) options and assignments
    local ini=$1 rc=0 before=$failures
    shift
    env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH "$@" QT_QPA_PLATFORM=offscreen XDG_DATA_DIRS="$root/usr/share" \
        timeout 20 "$root/usr/bin/quorvel" >"$tmp/stdout" 2>"$tmp/stderr" || rc=$?
    [[ $rc -eq 1 ]] || fail "first run ($*): exit status $rc, not 1"
    grep -qxF 'Configuração não encontrada: crie o arquivo' "$tmp/stderr" \
        || fail "first run ($*): no missing-configuration message"
    grep -qxF "$ini" "$tmp/stderr" || fail "first run ($*): does not name $ini"
    local line
    for line in '[database]' 'socket — ' 'host, port — ' 'user, password — ' 'name — ' '[paths]' 'root — ' 'drive — '; do
        grep -qF -- "$line" "$tmp/stderr" || fail "first run ($*): '$line' missing"
    done
    grep -qF "estão em $root/usr/share/quorvel (schema.sql e demo.sql)" "$tmp/stderr" \
        || fail "first run ($*): does not say where the schema is"
    [[ ! -e "$ini" ]] || fail "first run ($*): wrote $ini"
    if (( failures > before )); then sed 's/^/  stderr: /' "$tmp/stderr" >&2; fi
}
mkdir -p "$tmp/xdg" "$tmp/home"
first_run "$tmp/xdg/quorvel/quorvel.ini" HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/xdg"
first_run "$tmp/home/.config/quorvel/quorvel.ini" -u XDG_CONFIG_HOME HOME="$tmp/home"

# --- quorvel-session names the file it cannot write, and why: here the
# root lies under a file, so no folder can be made there whoever runs it.
mkdir -p "$tmp/session/quorvel"
printf '[paths]\nroot=/dev/null/velmorant\ndrive=S\n' >"$tmp/session/quorvel/quorvel.ini"
session_fails() { # expected path, then the command's arguments
    local path=$1 rc=0
    shift
    env -u LD_LIBRARY_PATH XDG_CONFIG_HOME="$tmp/session" "$root/usr/bin/quorvel-session" "$@" 2>"$tmp/stderr" || rc=$?
    [[ $rc -eq 1 ]] || fail "quorvel-session $*: exit status $rc, not 1"
    grep -qF "$path (status 35: " "$tmp/stderr" || { fail "quorvel-session $* does not name $path"; cat "$tmp/stderr" >&2; }
    grep -qF "paths/root" "$tmp/stderr" || fail "quorvel-session $* does not point at paths/root"
}
session_fails /dev/null/velmorant/C/Velmorant/Temp/Variaveis.txt login 1 "MARIANA SOUZA"
session_fails /dev/null/velmorant/S/Velmorant/TARVINE/Arquivos/CAIXACT.PAD period open 2

if (( failures )); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
