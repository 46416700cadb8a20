#!/usr/bin/env bash
# The Debian package on this machine: builds it, installs it with dpkg, uses the installed program
# as a fresh user would (a headless dial on the demo entry, its files in ~/.config/velmor), checks
# the desktop entry, the AppStream file, the manual pages, the completion and pppd's peers file,
# then removes and purges it. The machine is left as it was found, also when a step fails.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1

if [ "$(id -u)" -ne 0 ]; then
    echo "package test skipped: installing a package and adding a user need root"
    exit 0
fi
if dpkg-query -W -f='${Status}' velmor 2>/dev/null | grep -qv "not-installed"; then
    echo "package test skipped: a velmor package is on this machine already; it is left alone"
    exit 0
fi

if [ -e /usr/bin/Velmor.ini ] || [ -e /usr/bin/Velmor.log ]; then
    echo "package test skipped: /usr/bin holds Velmor.ini or Velmor.log; they are left alone"
    exit 0
fi

started=$(date +%s)
work=$(mktemp -d /tmp/velmor-package-XXXXXX)
chmod 0755 "$work"
user=velmor-t$$
home=/home/$user
had_ppp=no
[ -e /etc/ppp ] && had_ppp=yes
installed=no
pid=

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
check() {  # check DESCRIPTION COMMAND...: the command must succeed
    local what=$1
    shift
    "$@" >"$work/check.out" 2>&1 || { fail "$what"; sed 's/^/    /' "$work/check.out"; }
}

cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ "$installed" = yes ] && dpkg --purge velmor >/dev/null 2>&1
    # What a faulty program wrote beside itself (the test refuses to start where they exist).
    rm -f /usr/bin/Velmor.ini /usr/bin/Velmor.log
    id "$user" >/dev/null 2>&1 && userdel -r "$user" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

# wait_for FILE TEXT SECONDS: until FILE holds TEXT.
wait_for() {
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        grep -qF "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# headless WHO OUT ARGS...: starts /usr/bin/velmor --headless in the background as WHO (a user
# name, or root), with a login's environment; its output goes to OUT, its PID to $pid.
headless() {
    local who=$1 out=$2
    shift 2
    local dir uid gid
    if [ "$who" = root ]; then dir=$work/root uid=0 gid=0; else dir=$home uid=$(id -u "$who") gid=$(id -g "$who"); fi
    setpriv --reuid="$uid" --regid="$gid" --init-groups \
        env -i HOME="$dir" USER="$who" LOGNAME="$who" PATH=/usr/bin:/bin LANG=ru_RU.UTF-8 \
        XDG_RUNTIME_DIR="$dir/.run" /usr/bin/velmor --headless "$@" >"$out" 2>"$out.err" &
    pid=$!
}
# stop_headless OUT: SIGTERM, then the program must end with status 0.
stop_headless() {
    kill -TERM "$pid"
    wait "$pid"
    local status=$?
    pid=
    [ "$status" -eq 0 ] || { fail "velmor ended with status $status on SIGTERM"; cat "$1.err"; }
}

echo "== building the package"
if ! ./scripts/package.sh >"$work/package.log" 2>&1; then
    cat "$work/package.log"
    echo "FAIL: scripts/package.sh"
    exit 1
fi
sed -n '/^package: /,$p' "$work/package.log" | grep -v '^I: ' # without lintian's notes
deb=$(sed -n 's/^package: //p' "$work/package.log")

echo "== installing $deb"
installed=yes
if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log"
    echo "FAIL: dpkg -i"
    exit 1
fi

echo "== the installed files"
[ "$(stat -c '%U:%G %a' /etc/ppp/peers/velmor)" = "root:dip 640" ] ||
    fail "peers file is $(stat -c '%U:%G %a' /etc/ppp/peers/velmor), not root:dip 640"
for hook in /etc/ppp/ip-up.d/velmor /etc/ppp/ip-down.d/velmor; do
    [ "$(stat -c '%U:%G %a' "$hook")" = "root:root 755" ] || fail "$hook is not root:root 755"
done
[ "$(dpkg-query -W -f='${Conffiles}' velmor | awk '{print $1}' | sort | tr '\n' ' ')" = \
    "/etc/ppp/ip-down.d/velmor /etc/ppp/ip-up.d/velmor /etc/ppp/peers/velmor " ] ||
    fail "the conffiles are: $(dpkg-query -W -f='${Conffiles}' velmor)"
check "desktop-file-validate" desktop-file-validate /usr/share/applications/invalid.velmor.velmor.desktop
grep -qx "Exec=/usr/bin/velmor" /usr/share/dbus-1/services/invalid.velmor.velmor.service ||
    fail "no session bus service file that starts /usr/bin/velmor"
check "appstreamcli validate" appstreamcli validate --no-net /usr/share/metainfo/invalid.velmor.velmor.metainfo.xml
for page in velmor velmorctl; do
    [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man does not find $page(1)"
    MANWIDTH=80 man --warnings -E UTF-8 -l "/usr/share/man/man1/$page.1.gz" >"$work/$page.txt" \
        2>"$work/$page.err"
    [ -s "$work/$page.err" ] && { fail "man -l $page.1.gz warns:"; cat "$work/$page.err"; }
    grep -q "^NAME" "$work/$page.txt" || fail "man -l $page.1.gz rendered no page"
done
for size in 16 22 24 32 48 64 128 256; do
    file "/usr/share/icons/hicolor/${size}x$size/apps/velmor.png" | grep -q "$size x $size" ||
        fail "no ${size}x$size icon"
done
[ -f /usr/share/velmor/help/conn.htm ] || fail "no help pages in /usr/share/velmor/help"
[ -f /usr/share/velmor/udev/77-velmor-modem.rules ] || fail "no udev rule template"
# The HTTP module, loaded at the first download from the program's library folder.
module=$(ls /usr/lib/*/velmor/velmor-http.so 2>/dev/null | head -n 1)
if [ -z "$module" ]; then
    fail "no HTTP module in /usr/lib/<arch>/velmor"
elif ldd "$module" | grep -q "not found"; then
    fail "the HTTP module misses libraries: $(ldd "$module" | grep "not found")"
fi
dpkg-query -W -f='${Depends}' velmor | grep -q libcurl || fail "the package does not depend on libcurl"

echo "== root runs the installed program: nothing is written under /usr"
mkdir -p "$work/root/.run" && chmod 0700 "$work/root/.run"
printf 'пароль-root\n' >"$work/root/password"
headless root "$work/root.out" --password-file "$work/root/password"
wait_for "$work/root.out" "Жду Ваших приказаний" 20 || fail "velmor as root did not start"
stop_headless "$work/root.out"
[ -f "$work/root/.config/velmor/Velmor.ini" ] || fail "root's Velmor.ini is not in ~/.config/velmor"
for f in /usr/bin/Velmor.ini /usr/bin/Velmor.log; do
    [ -e "$f" ] && fail "$f written"
done

echo "== a fresh user dials the demo entry"
useradd --create-home --shell /bin/bash "$user" || { echo "FAIL: useradd"; exit 1; }
install -d -m 0700 -o "$user" -g "$user" "$home/.run"
install -m 0600 -o "$user" -g "$user" /dev/null "$home/password"
printf 'пароль-демо\n' >"$home/password"
dial_started=$(date +%s%N)
headless "$user" "$work/user.out" --dial --password-file "$home/password"
if wait_for "$work/user.out" "Соединение установлено." 90; then
    echo "   connected after $((($(date +%s%N) - dial_started) / 1000000)) ms"
else
    fail "no connection within 90 s"
    cat "$work/user.out" "$work/user.out.err"
fi
stop_headless "$work/user.out"
rm -f "$home/password"
cfg=$home/.config/velmor
[ "$(stat -c '%U %a' "$cfg/Velmor.ini" 2>/dev/null)" = "$user 600" ] ||
    fail "no Velmor.ini of $user (mode 0600) in $cfg"
iconv -f CP1251 -t UTF-8 "$cfg/Velmor.log" 2>/dev/null | grep -qF "Соединение установлено." ||
    fail "Velmor.log in $cfg does not show the connection"
[ -f "$cfg/phonebook.ini" ] || fail "no phonebook.ini in $cfg"
# velmorctl finds the same settings file.
check "velmorctl dump as the user" setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=ru_RU.UTF-8 velmorctl dump
grep -qF "Демо-провайдер" "$work/check.out" || fail "velmorctl dump does not show the demo entry"

echo "== bash completion"
complete_line() {  # the completions of the words given, for the user
    setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME="$home" PATH=/usr/bin:/bin \
        LANG=ru_RU.UTF-8 bash -c 'source /usr/share/bash-completion/bash_completion
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            _completion_loader velmorctl; _velmorctl velmorctl "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
            printf "%s\n" "${COMPREPLY[@]}"' velmorctl "$@"
}
[ "$(complete_line velmorctl d | tr '\n' ' ')" = "decrypt dump dial " ] ||
    fail "completion of 'velmorctl d': $(complete_line velmorctl d | tr '\n' ' ')"
[ "$(complete_line velmorctl dump --entry Де)" = 'Демо-провайдер' ] ||
    fail "completion of an entry name: $(complete_line velmorctl dump --entry Де)"
[ "$(complete_line velmorctl select Де)" = 'Демо-провайдер' ] ||
    fail "completion of select: $(complete_line velmorctl select Де)"

echo "== dpkg -r keeps the user's files and the conffiles; --purge removes the conffiles"
check "dpkg -r velmor" dpkg -r velmor
[ -e /usr/bin/velmor ] && fail "/usr/bin/velmor is still there after dpkg -r"
[ -f /etc/ppp/peers/velmor ] || fail "the peers file went with dpkg -r"
if [ ! -f "$cfg/Velmor.ini" ] || [ ! -f "$cfg/Velmor.log" ]; then
    fail "dpkg -r took the user's files"
fi
check "dpkg --purge velmor" dpkg --purge velmor
installed=no
ls /etc/ppp/peers/velmor /etc/ppp/ip-up.d/velmor /etc/ppp/ip-down.d/velmor 2>/dev/null &&
    fail "conffiles left after purge"
[ "$had_ppp" = no ] && [ -e /etc/ppp ] && fail "/etc/ppp left after purge"

cleanup
trap - EXIT
grep -qs "^$user:" /etc/passwd /etc/group /etc/shadow /etc/subuid /etc/subgid &&
    fail "the test user is left in the account files"
echo "package test: $failures failures, $(($(date +%s) - started)) s"
[ "$failures" -eq 0 ]
