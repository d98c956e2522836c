#!/usr/bin/env bash
# The README's many-machine recipe through a real remote login: an OpenSSH
# server started for the test on 127.0.0.1 at a free port (a host key and a
# login key made for the test, root login by that key only), GNU parallel
# copying each station there with rsync and bringing its report and log back.
# Twenty stations whose names hold blanks, apostrophes and a leading dash,
# one with a line that cannot be read and one whose file is missing: every
# report and log must come back as a run on this machine makes them, the
# listing must name exactly the two, and nothing may stay behind there.
#   many_machines.sh TIRAL SOURCE_DIR
# Exits 77 (skipped), saying why, when it cannot start a server: not root, or
# sshd, ssh, rsync or parallel missing.
set -uo pipefail
tiral=$(realpath "$1")
source=$(realpath "$2")
skip() {
  echo "SKIP: many machines: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "an SSH server for root login needs root"
for tool in /usr/sbin/sshd ssh ssh-keygen rsync parallel; do
  command -v "$tool" >/dev/null || skip "$tool is missing (Debian: openssh-server, openssh-client, rsync, parallel)"
done
. "$source/tests/e2e/readme_recipe.sh"

mkdir -p "$work/bin" "$work/home" "$work/tmp" "$work/ssh" "$work/stations" "$work/local" /run/sshd
ln -s "$tiral" "$work/bin/tiral"
chmod 755 "$work" "$work/bin"
ssh-keygen -q -t ed25519 -N '' -f "$work/ssh/host_key" || skip "ssh-keygen made no host key"
ssh-keygen -q -t ed25519 -N '' -f "$work/ssh/login_key" || skip "ssh-keygen made no login key"
cp "$work/ssh/login_key.pub" "$work/ssh/authorized_keys"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/ssh/sshd_config" <<CONF
ListenAddress 127.0.0.1
Port $port
HostKey $work/ssh/host_key
AuthorizedKeysFile $work/ssh/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PidFile $work/ssh/sshd.pid
SetEnv PATH=$work/bin:/usr/bin:/bin TMPDIR=$work/tmp
CONF
/usr/sbin/sshd -f "$work/ssh/sshd_config" -D -E "$work/ssh/sshd.log" &
sshd_pid=$!
trap 'kill "$sshd_pid" 2>/dev/null; wait "$sshd_pid" 2>/dev/null; rm -rf "$work"' EXIT
cat >"$work/ssh/config" <<CONF
Host station-server
  HostName 127.0.0.1
  Port $port
  User root
  IdentityFile $work/ssh/login_key
  IdentitiesOnly yes
  BatchMode yes
  StrictHostKeyChecking no
  UserKnownHostsFile /dev/null
  LogLevel ERROR
CONF
# ssh reads its configuration from the real home, not from HOME: parallel is
# told which ssh to use, and rsync gets it from parallel.
export PARALLEL_SSH="ssh -F $work/ssh/config"
for i in $(seq 50); do
  $PARALLEL_SSH station-server true 2>/dev/null && break
  sleep 0.1
done
$PARALLEL_SSH station-server true || { echo "FAIL: no login through the test's SSH server"; cat "$work/ssh/sshd.log"; exit 1; }
remote_home=$($PARALLEL_SSH station-server pwd)
before_remote=$(ls -A "$remote_home" | LC_ALL=C sort)

# The stations: one to three whole years of the sample, names a shell and a
# remote login must carry whole.
names=("station 01.txt" "it's.txt" "-dash first.txt" "station four.txt" "o'brien 05.txt" "a  b 06.txt"
  "-- 07.txt" "quote\"d 08.txt" "semi;colon 09.txt" "dollar\$HOME 10.txt" "star* 11.txt" "back\\slash 12.txt"
  "station 13.txt" "(paren) 14.txt" "amp&er 15.txt" "tab	16.txt" "ümlaut 17.txt" "station 18.txt"
  "#hash 19.txt" "end 20.txt")
warned="o'brien 05.txt"
missing="station 13.txt"
year_days=(365 366 365)
for i in "${!names[@]}"; do
  name=${names[$i]}
  [ "$name" = "$missing" ] && continue
  days=0
  for y in $(seq 0 $((i % 3))); do days=$((days + year_days[y])); done
  if [ "$name" = "$warned" ]; then
    awk 'NR == 400 { print "n/a" } { print }' "$source/examples/climate.txt" >"$work/stations/$name"
  else
    head -n "$days" "$source/examples/climate.txt" >"$work/stations/$name"
  fi
  # What this machine makes of the station.
  cp "$work/stations/$name" "$work/local/"
  (cd "$work/local" && TMPDIR=$work/tmp "$tiral" -- "$name" "$name.report" 1991 2>"$name.log")
done
export PATH=$work/bin:$PATH HOME=$work/home TMPDIR=$work/tmp
echo "4/station-server" >"$HOME/machines"
dir=$work/run
mkdir "$dir"
cp "$work/stations/"* "$dir/"
ln -s "gone/$missing" "$dir/$missing"
text=$(readme_recipe "$source/README.md" parallel-many-machines) || { echo "FAIL: no recipe in the README"; exit 1; }
(cd "$dir" && bash -c "$text" >"$work/listing" 2>"$work/stderr")

for name in "${names[@]}"; do
  log=$dir/reports/$name.log
  if [ ! -e "$log" ]; then
    fail "no log of $name came back"
  elif [ "$name" = "$missing" ]; then
    [ "$(tail -n 1 "$log")" = "exit status 29" ] || fail "log of $name: $(cat -A "$log")"
    [ -e "$dir/reports/$name.report" ] && fail "a report of the missing $name"
  else
    cmp -s "$log" "$work/local/$name.log" || fail "log of $name: $(head -c 300 "$log" | cat -A)"
    cmp -s "$dir/reports/$name.report" "$work/local/$name.report" || fail "the report of $name is not this machine's"
    cmp -s "$dir/$name" "$work/stations/$name" || fail "input $name changed"
  fi
done
want="parallel: exit status 1
Logs that are not empty:
reports/$warned.log: $(head -n 1 "$work/local/$warned.log" | tr -d '\r')
reports/$missing.log: forrtl: No such file or directory
Failed:
reports/$missing.log:exit status 29"
[ "$(LC_ALL=C sort "$work/listing")" = "$(LC_ALL=C sort <<<"$want")" ] ||
  fail "the listing is:"$'\n'"$(cat "$work/listing")"$'\n'"parallel said: $(head -c 600 "$work/stderr")"
# The copies are gone there; the folder that held the reports stays, empty.
if [[ $'\n'$before_remote$'\n' != *$'\nreports\n'* ]] && [ -d "$remote_home/reports" ]; then
  rmdir "$remote_home/reports" || fail "left in $remote_home/reports: $(ls -A "$remote_home/reports" | tr '\n' ' ')"
fi
after_remote=$(ls -A "$remote_home" | LC_ALL=C sort)
[ "$after_remote" = "$before_remote" ] ||
  fail "the login's home $remote_home changed: $(diff <(echo "$before_remote") <(echo "$after_remote") | grep '^[<>]' | tr '\n' ' ')"
[ -z "$(ls -A "$TMPDIR")" ] || fail "work files left in TMPDIR: $(ls -A "$TMPDIR")"

if [ "$failures" -ne 0 ]; then
  echo "many machines: $failures failures"
  exit 1
fi
echo "many machines: 20 stations through a real SSH login, every report, log and the listing as expected"
