#!/bin/sh
# The first process of the user-mode machine that run.sh boots: a PPP server behind our modem
# emulator in one network namespace, Velmor dialling it as an ordinary user in another. Every
# check writes "ok - ..." or "not ok - ..." to the log in the host folder VELMOR_OUT; "result"
# there ends with PASS or FAIL.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t tmpfs tmp /tmp
mount -t tmpfs run /run
mkdir -p /tmp/out
# The host folder: older kernels take its path as the whole option text; newer ones take it as
# hostfs=PATH, the only form that a mount through the new mount interface can give.
mount -t hostfs -o "$VELMOR_OUT" hostfs /tmp/out 2>/dev/null ||
    mount -t hostfs -o "hostfs=$VELMOR_OUT" hostfs /tmp/out || exec poweroff -f
exec >/tmp/out/log 2>&1
echo booted >/tmp/out/booted
mkdir -p /dev/pts /run/lock /run/netns
mount -t devpts -o gid=5,mode=620,ptmxmode=666 devpts /dev/pts
chmod 1777 /run/lock

bin=$VELMOR_BUILD/bin
failures=0
ok() { echo "ok - $*"; }
bad() {
    echo "not ok - $*"
    failures=$((failures + 1))
}
check() { # check DESCRIPTION COMMAND...
    what=$1
    shift
    if "$@"; then
        ok "$what"
    else
        bad "$what"
        return 1
    fi
}
need() { # need DESCRIPTION COMMAND...: a check the rest depends on; the run ends when it fails
    check "$@" || finish
}
finish() {
    cp /tmp/home/*.log /tmp/home/*.err /tmp/home/velmor/Velmor.log /tmp/modem.commands /tmp/out/ 2>/dev/null
    if [ "$failures" -eq 0 ]; then echo PASS >/tmp/out/result; else echo FAIL >/tmp/out/result; fi
    sync
    poweroff -f
}
# wait_for FILE TEXT SECONDS [COUNT]: until FILE holds TEXT (COUNT times).
wait_for() {
    i=0
    while :; do
        n=$(grep -c -F -- "$2" "$1" 2>/dev/null)
        [ "${n:-0}" -ge "${4:-1}" ] && return 0
        i=$((i + 1))
        [ "$i" -gt $(($3 * 10)) ] && return 1
        sleep 0.1
    done
}

# PPP in the kernel.
mods=/usr/lib/uml/modules/$(uname -r)/kernel
for m in lib/crc-ccitt drivers/net/slip/slhc drivers/net/ppp/ppp_generic drivers/net/ppp/ppp_async; do
    insmod "$mods/$m.ko" || bad "module $m"
done
check "the kernel has /dev/ppp" test -c /dev/ppp

# A user of groups dip and dialout with a home of its own (the host's files belong to root).
mkdir -p /tmp/etc /tmp/home
cp /etc/passwd /etc/group /tmp/etc/
echo "velmortest:x:4242:4242:Velmor test:/tmp/home:/bin/sh" >>/tmp/etc/passwd
awk -F: -v OFS=: '$1 == "dip" || $1 == "dialout" { $4 = ($4 == "" ? "velmortest" : $4 ",velmortest") } { print }' \
    /etc/group >/tmp/etc/group
echo "velmortest:x:4242:" >>/tmp/etc/group
mount --bind /tmp/etc/passwd /etc/passwd
mount --bind /tmp/etc/group /etc/group
chown 4242:4242 /tmp/home

# The system's PPP files: the peers file as the package installs it, and the server's secrets.
mkdir -p /tmp/ppp
cp -a /etc/ppp/. /tmp/ppp/
mkdir -p /tmp/ppp/peers
install -m 0640 -o root -g dip "$VELMOR_SOURCE/packaging/ppp/peers/velmor" /tmp/ppp/peers/velmor
chown root:dip /tmp/ppp/peers
chmod 2750 /tmp/ppp/peers
login='velmor user'
password='pass word!'
mount --bind /tmp/ppp /etc/ppp
secrets() { # secrets FILE SECRET
    printf '"%s" * "%s" *\n' 'velmor user' "$(printf '%s' "$2" | sed 's/\\/\\\\/g; s/"/\\"/g')" >"/etc/ppp/$1"
    chmod 600 "/etc/ppp/$1"
}

ip netns add server
ip netns add client
ip -n server link set lo up
ip -n client link set lo up
# An address behind the server, reached only through the default route; and a default route of
# the client's own before the dial (as Wi-Fi or Ethernet would have), which leads nowhere.
ip -n server addr add 10.88.0.1/32 dev lo
ip -n client route add default dev lo

# The modem in the server's namespace; after CONNECT the server's pppd takes the line.
start_modem() { # start_modem pap|chap
    cat >/tmp/server-options <<EOF
nodetach
local
silent
noccp
novj
name velmorserver
auth
require-$1
10.77.0.1:10.77.0.2
ms-dns 10.77.0.1
lcp-echo-interval 0
logfd 2
EOF
    rm -f /tmp/port
    ip netns exec server "$bin/velmor_modem_emulator" --port-file /tmp/port --group 20 \
        --result "CONNECT 115200" --log /tmp/modem.commands \
        -- /usr/sbin/pppd file /tmp/server-options 2>>/tmp/out/server.log &
    modem=$!
    need "the modem emulator starts" wait_for /tmp/port /dev/pts 10
    port=$(cat /tmp/port)
}

as_user() {
    ip netns exec client setpriv --reuid=4242 --regid=4242 --groups=20,30,4242 \
        env -i HOME=/tmp/home USER=velmortest LC_ALL=ru_RU.UTF-8 PATH="$PATH" \
        VELMOR_HOME=/tmp/home/velmor VELMOR_PHONEBOOK=/tmp/home/phonebook.ini \
        XDG_RUNTIME_DIR=/tmp/home/run "$@"
}

# A pppd found by a part of its command line: the line's that Velmor started (by its ipparam) or
# the server's (the emulator that starts it names the same options file).
pppd_pid() {
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" = /usr/sbin/pppd ] || continue
        if tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -q -F -- "$1"; then
            echo "${p#/proc/}"
            return
        fi
    done
}
client_pppd() { pppd_pid "ipparam velmor-"; }

secret_free() { # secret_free PID: the login and the password are nowhere in its cmdline or environ
    [ -r "/proc/$1/environ" ] || return 1
    for f in cmdline environ; do
        if grep -q -F -e "$login" -e "$password" "/proc/$1/$f"; then return 1; fi
    done
}

# ip netns exec waits for the program it starts: the program itself is found by its file.
velmor_pid() {
    for p in /proc/[0-9]*; do
        if [ "$(readlink "$p/exe" 2>/dev/null)" = "$bin/velmor" ]; then
            echo "${p#/proc/}"
            return
        fi
    done
}

start_velmor() { # start_velmor LOG
    as_user "$bin/velmor" --headless --dial >"$1" 2>"$1.err" &
    runner=$!
    sleep 0.5
    velmor=$(velmor_pid)
}

stop_velmor() {
    kill -TERM "$velmor"
    wait "$runner"
    status=$?
}

start_modem pap
secrets pap-secrets 'not the password'
secrets chap-secrets "$password"
mkdir -p /tmp/home/velmor /tmp/home/run
chown -R 4242:4242 /tmp/home
cat >/tmp/home/phonebook.ini <<EOF
[Провайдер]
Device=$port
PhoneNumber=5550101
UserName=$login
Password=$password
DialTimeout=10
EOF
chown 4242:4242 /tmp/home/phonebook.ini
check "velmorctl modem finds every part" as_user "$bin/velmorctl" modem Провайдер

# The first start sets the program password; then redial after a loss, one second of pause.
echo 'секрет' >/tmp/home/password
as_user "$bin/velmor" --headless --password-file /tmp/home/password >/tmp/first.log 2>&1 &
first=$!
need "the first start" wait_for /tmp/first.log "Жду Ваших приказаний" 20
kill -TERM "$(velmor_pid)"
wait $first
sed -i 's/^RedialPause=.*/RedialPause=1\r/; s/^AutoReDial=.*/AutoReDial=Y\r/' /tmp/home/velmor/Velmor.ini

# PAP: refused, then accepted once the server knows the password.
log=/tmp/home/pap.log
start_velmor $log
need "a refused password is Доступ запрещен" wait_for $log "Доступ запрещен" 30
check "pppd said the login was refused" grep -q "PAP authentication failed" $log.err
secrets pap-secrets "$password"
need "connected at the modem's speed with the server's address" \
    wait_for $log "Соединение установлено. Скорость 115,2 Кбит/с, IP 10.77.0.2" 30
pid=$(client_pppd)
need "the line's pppd runs" test -n "$pid"
check "neither login nor password on pppd's command line or environment" secret_free "$pid"
check "neither login nor password on Velmor's command line or environment" secret_free "$velmor"
check "a ping through the link" ip netns exec client ping -c 3 -W 2 -q 10.77.0.1
check "the link's default route replaced the one there before" \
    sh -c "ip -n client route show default | grep -q 'dev ppp'"
check "a ping beyond the server through the default route" \
    ip netns exec client ping -c 2 -W 2 -q 10.88.0.1
# About a megabyte each way, for the statistics.
ip netns exec client ping -c 800 -s 1400 -i 0.002 -W 2 -q 10.77.0.1 | grep transmitted
check "the server's address in the projection" grep -q "remote IP address 10.77.0.1" $log.err
check "no secret in Velmor's event log" sh -c "! grep -q -F -e '$login' -e '$password' /tmp/home/velmor/Velmor.log $log $log.err"

# The server hangs up: a lost line, its traffic in the loss line, and a redial.
kill -TERM "$(pppd_pid "file /tmp/server-options")"
need "the server's hang-up is a lost line" wait_for $log "Соединениние было разорвано" 30
check "the loss line counts the traffic both ways" \
    grep -q "получено/отправлено: [0-9]*,[0-9]*[1-9][0-9]* / [0-9]*,[0-9]*[1-9]" $log
check "a redial connects again" wait_for $log "Соединение установлено" 40 2
start=$(date +%s%N)
stop_velmor
check "SIGTERM ends Velmor at once and well" test "$status" -eq 0
echo "Velmor ended $(($(date +%s%N) / 1000000 - start / 1000000)) ms after SIGTERM"
check "the closing line" grep -q "Завершение работы программы" $log
check "no pppd left" test -z "$(client_pppd)"
check "the default route of before is back" sh -c "ip -n client route show default | grep -q 'dev lo'"

# pppd that cannot gain root (no setuid bit): said before any dial, with the fix; no login tried.
cp /usr/sbin/pppd /tmp/pppd-plain
chmod 0755 /tmp/pppd-plain
as_user env VELMOR_PPPD=/tmp/pppd-plain "$bin/velmorctl" modem Провайдер >/tmp/plain.out 2>&1
check "velmorctl modem: pppd without its setuid bit" \
    grep -q "ошибка  Права root для pppd: .*chmod 4754" /tmp/plain.out
log=/tmp/home/plain.log
as_user env VELMOR_PPPD=/tmp/pppd-plain "$bin/velmor" --headless --dial >$log 2>$log.err &
runner=$!
sleep 0.5
velmor=$(velmor_pid)
check "a dial with pppd without its setuid bit says why" wait_for $log "нет бита setuid" 20
stop_velmor
check "and tries no other login" sh -c "! grep -q 'Доступ запрещен' $log"

# The benchmark, side by side against the same server: from the first command at the modem to
# pppd's ip-up, for Velmor and for the system's pppd with chat, three times each in turn; and
# from Velmor's hang-up to its end, the modem on-hook (ATH taken) included.
printf '#!/bin/sh\ndate +%%s%%N >>/tmp/ipup.times\n' >/etc/ppp/ip-up.d/zzvelmorbench
chmod 755 /etc/ppp/ip-up.d/zzvelmorbench
printf '%s\n' "ABORT BUSY" "ABORT 'NO CARRIER'" "'' ATZ" "OK 'ATQ0 V1 E1 S0=0 &C1 &D2'" \
    "OK ATDT5550101" "CONNECT '\\c'" >/etc/ppp/velmorbench.chat
printf '%s\n' "file /etc/ppp/peers/velmor" "$port" 115200 \
    "connect \"/usr/sbin/chat -s -v -f /etc/ppp/velmorbench.chat\"" "user \"$login\"" \
    "ipparam bench" "logfd 2" \
    >/etc/ppp/peers/velmorbench
chown root:dip /etc/ppp/peers/velmorbench
chmod 640 /etc/ppp/peers/velmorbench
first_after() { # first_after FILE WORD NS: the time of the first line after NS with WORD
    awk -v t="$3" -v w="$2" '$1 > t && index($0, w) { print $1; exit }' "$1"
}
server_gone() {
    i=0
    while [ -n "$(pppd_pid "file /tmp/server-options")" ] && [ $i -lt 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
}
ms() { echo $((($2 - $1) / 1000000)); }
velmor_runs="" pppd_runs="" velmor_starts="" hangups="" onhooks=""
for run in 1 2 3; do
    server_gone
    : >/tmp/ipup.times
    t0=$(date +%s%N)
    start_velmor /tmp/home/bench.log
    wait_for /tmp/ipup.times 1 30 || bad "bench: Velmor's link comes up"
    up=$(head -n 1 /tmp/ipup.times)
    velmor_runs="$velmor_runs $(ms "$(first_after /tmp/modem.commands ATZ "$t0")" "$up")"
    velmor_starts="$velmor_starts $(ms "$t0" "$up")"
    wait_for /tmp/home/bench.log "Соединение установлено" 10
    t1=$(date +%s%N)
    stop_velmor
    hangups="$hangups $(ms "$t1" "$(date +%s%N)")"
    ath=$(first_after /tmp/modem.commands ATH "$t1") onhook=""
    [ -z "$ath" ] || onhook=$(first_after /tmp/modem.commands "> OK" "$ath")
    [ -n "$onhook" ] || bad "bench: the modem takes ATH"
    onhooks="$onhooks $(ms "$t1" "$onhook")"

    server_gone
    : >/tmp/ipup.times
    t0=$(date +%s%N)
    as_user /usr/sbin/pppd call velmorbench >/tmp/out/pppd-bench.log 2>&1 &
    runner=$!
    wait_for /tmp/ipup.times 1 30 || bad "bench: pppd's link comes up"
    up=$(head -n 1 /tmp/ipup.times)
    pppd_runs="$pppd_runs $(ms "$(first_after /tmp/modem.commands ATZ "$t0")" "$up")"
    kill -TERM "$(pppd_pid "call velmorbench")"
    wait $runner
done
echo "bench: dial to IP up, Velmor (ms):$velmor_runs; from its start:$velmor_starts"
echo "bench: dial to IP up, pppd call with chat (ms):$pppd_runs"
echo "$velmor_runs;$pppd_runs" | awk -F';' '{
    n = split($1, v, " "); split($2, p, " "); sv = 0; sp = 0
    for (i = 1; i <= n; i++) { sv += v[i]; sp += p[i] }
    printf "bench: mean Velmor %d ms, pppd with chat %d ms, ratio %.3f\n", sv / n, sp / n, sv / sp }'
echo "bench: hang-up to the modem on-hook (its OK to ATH) (ms):$onhooks; to Velmor's end:$hangups"
kill -TERM $modem
wait $modem

# CHAP.
start_modem chap
sed -i "s|^Device=.*|Device=$port|" /tmp/home/phonebook.ini
log=/tmp/home/chap.log
start_velmor $log
need "CHAP: connected" wait_for $log "Соединение установлено. Скорость 115,2" 30
check "CHAP: authenticated" grep -q "CHAP authentication succeeded" $log.err
check "CHAP: a ping through the link" ip netns exec client ping -c 3 -W 2 -q 10.77.0.1
stop_velmor
check "CHAP: SIGTERM ends Velmor" test "$status" -eq 0
kill -TERM $modem
wait $modem
finish
