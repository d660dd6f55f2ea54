#!/usr/bin/env bash
# scripts/slurm-sweep on a real Slurm: a throw-away single-node cluster from
# Debian's packages, listening on 127.0.0.1 only, with all its state in a
# temporary directory. Every daemon and job it starts is stopped by its
# process id when it ends. Needs root (it installs the packages if missing
# and runs the daemons as root).
# Usage: tests/slurm/cluster_test.sh [SATPHASE]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
satphase=$(realpath -e "${1:-$repo/build/satphase}")
slurm_sweep=$repo/scripts/slurm-sweep

fail() { echo "cluster_test: FAILED: $*" >&2; exit 1; }
say() { echo "cluster_test: $*"; }
[ "$(id -u)" -eq 0 ] || fail "needs root: it installs Slurm and runs its daemons as root"
started=$SECONDS

# --- Slurm and MUNGE from Debian, installed without starting any service.
packages=(munge slurmctld slurmd slurm-client)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    own_policy=0
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        own_policy=1
        trap 'rm -f /usr/sbin/policy-rc.d' EXIT
        printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d   # the packages' services stay stopped
        chmod +x /usr/sbin/policy-rc.d
    fi
    export DEBIAN_FRONTEND=noninteractive
    timeout 300 apt-get update -qq
    timeout 300 apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    if [ $own_policy -eq 1 ]; then
        rm -f /usr/sbin/policy-rc.d
        trap - EXIT
    fi
fi

# --- The cluster's files, and its teardown.
work=$(mktemp -d /tmp/satphase-slurm.XXXXXX)
chmod 700 "$work"
mkdir -p "$work/munge" "$work/ctld" "$work/spool" "$work/log"
export SLURM_CONF=$work/slurm.conf
pids=()

# Every process whose environment holds this cluster's configuration: the
# jobs and the step daemons that slurmd starts outside its own process tree.
cluster_processes() {
    grep -lsxzF "SLURM_CONF=$SLURM_CONF" /proc/[0-9]*/environ | cut -d/ -f3 || true
}
stop_pids() {
    local pid deadline=$((SECONDS + 10))
    for pid in "$@"; do kill "$pid" 2>/dev/null || true; done
    for pid in "$@"; do
        while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
    done
}
teardown() {
    local status=$? deadline leftover
    trap - EXIT
    trap '' PIPE   # a reader gone from the output must not cut the teardown short
    set +e
    if [ ${#pids[@]} -gt 0 ]; then
        # Jobs end first, while slurmd can still see them out.
        timeout 5 scancel --quiet --user=root >/dev/null 2>&1
        deadline=$((SECONDS + 10))
        while [ -n "$(timeout 5 squeue -h 2>/dev/null)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
        stop_pids "${pids[@]}"
        wait "${pids[@]}" 2>/dev/null
    fi
    # No process started from now on carries the configuration.
    export -n SLURM_CONF
    deadline=$((SECONDS + 5))
    while [ -n "$(cluster_processes)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    mapfile -t leftover < <(cluster_processes)
    if [ ${#leftover[@]} -gt 0 ]; then
        echo "cluster_test: stopping processes the cluster left: ${leftover[*]}" >&2
        stop_pids "${leftover[@]}"
        status=1
    fi
    [ $status -eq 0 ] || { echo "--- slurmctld log" >&2; tail -n 20 "$work/log/slurmctld.log" >&2; }
    rm -rf "$work"
    exit $status
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Two free TCP ports for slurmctld and slurmd.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        [ "$port" != "${1:-}" ] && ! ss -Htan "sport = :$port" | grep -q . && break
    done
    echo "$port"
}
ctld_port=$(free_port)
slurmd_port=$(free_port "$ctld_port")
node=satphase-node
cpus=$(nproc)

cat >"$SLURM_CONF" <<EOF
ClusterName=satphase-test
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/munge.socket
StateSaveLocation=$work/ctld
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
MailProg=/bin/true
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF

# --- Bring-up: MUNGE, then the controller and the node daemon, all in the foreground.
mungekey --create --keyfile="$work/munge/munge.key"
munged --foreground --force --socket="$work/munge/munge.socket" --key-file="$work/munge/munge.key" \
    --pid-file="$work/munge/munged.pid" --log-file="$work/log/munged.log" \
    --seed-file="$work/munge/munged.seed" >"$work/log/munged.out" 2>&1 &
pids+=("$!")
deadline=$((SECONDS + 10))
until [ -S "$work/munge/munge.socket" ]; do
    [ $SECONDS -lt $deadline ] || fail "munged did not start: $(cat "$work/log/munged.out")"
    sleep 0.1
done
slurmctld -D -i >"$work/log/slurmctld.out" 2>&1 &
ctld_pid=$!
pids+=("$ctld_pid")
slurmd -D -N "$node" >"$work/log/slurmd.out" 2>&1 &
slurmd_pid=$!
pids+=("$slurmd_pid")
deadline=$((SECONDS + 30))
until [ "$(timeout 5 sinfo -h -n "$node" -o %T 2>/dev/null)" = idle ]; do
    [ $SECONDS -lt $deadline ] || fail "the node did not become idle: $(cat "$work/log/slurmd.out")"
    sleep 0.2
done
say "cluster up in $((SECONDS - started)) s (controller on 127.0.0.1:$ctld_port, node on 127.0.0.1:$slurmd_port)"

# Every socket the daemons listen on is on the loopback address.
loopback_only() {
    local listening
    listening=$(ss -Hltunp | grep -E "pid=($(IFS='|'; echo "${pids[*]}")),") || true
    grep -q "127.0.0.1:$ctld_port .*pid=$ctld_pid," <<<"$listening" &&
        grep -q "127.0.0.1:$slurmd_port .*pid=$slurmd_pid," <<<"$listening" ||
        fail "the daemons do not listen where configured: $listening"
    ! awk '$5 !~ /^127\.0\.0\.1:/' <<<"$listening" | grep . ||
        fail "a daemon listens beyond 127.0.0.1 (above)"
    say "listening: $(awk '{ split($7, p, "\""); s = s (NR > 1 ? ", " : "") $1 " " $5 " (" p[2] ")" } END { print s }' <<<"$listening")"
}
loopback_only

# --- Jobs.
# Waits until none of the jobs is queued or running, at most a minute.
wait_for_jobs() {
    local deadline=$((SECONDS + 60)) queued
    while :; do
        queued=$(timeout 10 squeue -h -o %A | grep -xF -f <(printf '%s\n' "$@")) || true
        [ -z "$queued" ] && return
        [ $SECONDS -lt $deadline ] || fail "jobs $* still queued after a minute: $(squeue)"
        sleep 0.2
    done
}
# "TASK STATE" for each task of an array job, or "- STATE" for a plain job.
job_states() {
    scontrol -o show job "$1" |
        sed -E 's/.*JobState=([A-Z_]+).*/\1 &/; s/^([A-Z_]+) .*ArrayTaskId=([^ ]+).*/\2 \1/; s/^([A-Z_]+) .*/- \1/' |
        sort -n
}
# Runs scripts/slurm-sweep; sets array (or empty) and merge to the job ids it printed.
submit() {
    "$slurm_sweep" "$@" >"$work/submitted" || fail "slurm-sweep $*: exited $?"
    array=$(sed -nE 's/^array job ([0-9]+):.*/\1/p' "$work/submitted")
    merge=$(sed -nE 's/^merge job ([0-9]+):.*/\1/p' "$work/submitted")
    [ -n "$merge" ] || fail "slurm-sweep printed no merge job: $(cat "$work/submitted")"
}

sweep=(--vars 10:40:10 --ratios 2,3,4,4.5,5,6,7,8 --trials 101 --quiet)
reference=$work/reference
mkdir "$reference"
"$satphase" sweep "${sweep[@]}" --format table --output "$reference/result.table"
out="$work/sweeps/Bob's 4 shards (100%)"   # quoted all the way down to the jobs
shard() { echo "$out/shard-$1-of-4.jsonl"; }

# A task that fails: shard 2 dies as if its node had gone. The merge job never
# runs, and there is no result (the other shards' files are complete: the
# resume below submits shard 2 alone).
flaky="$work/bin dir/satphase"
mkdir -p "$(dirname "$flaky")"
cat >"$flaky" <<EOF
#!/bin/sh
case " \$* " in *" --shard 2/4 "*" --resume"*) echo "shard 2 lost its node" >&2; exit 1 ;; esac
exec '$satphase' "\$@"
EOF
chmod +x "$flaky"
submit --shards 4 --dir "$out" --format table --satphase "$flaky" -- "${sweep[@]}"
wait_for_jobs "$array" "$merge"
[ "$(job_states "$array" | paste -sd' ')" = "1 COMPLETED 2 FAILED 3 COMPLETED 4 COMPLETED" ] ||
    fail "shard tasks: $(job_states "$array")"
[ "$(job_states "$merge")" = "- CANCELLED" ] || fail "merge job after a failed shard: $(job_states "$merge")"
[ ! -e "$out/result.table" ] || fail "a result was written although shard 2 failed"

# No resume while an earlier submission's jobs are queued (here held)...
submit --resume --shards 4 --dir "$out" --satphase "$flaky" --sbatch-option=--hold -- "${sweep[@]}"
status=0
"$slurm_sweep" --resume --shards 4 --dir "$out" --satphase "$satphase" -- "${sweep[@]}" 2>"$work/err" ||
    status=$?
[ $status -eq 1 ] && grep -q "still queued" "$work/err" ||
    fail "a resume while the sweep's jobs are queued: status $status, $(cat "$work/err")"
scancel "$array" "$merge"
wait_for_jobs "$array" "$merge"
# ...then --resume submits shard 2 alone, whose file was never written, and the merged
# table is the whole sweep's, byte for byte.
submit --resume --shards 4 --dir "$out" --format table --satphase "$satphase" -- "${sweep[@]}"
case $(job_states "$array") in
"2 PENDING" | "2 RUNNING" | "2 COMPLETED") ;;
*) fail "resume submitted: $(job_states "$array")" ;;
esac
wait_for_jobs "$array" "$merge"
[ "$(job_states "$merge")" = "- COMPLETED" ] || fail "merge job: $(job_states "$merge")"
cmp "$reference/result.table" "$out/result.table" || fail "merged table differs from the whole sweep's"

# A directory that holds a sweep is not started afresh, nor resumed with another split.
for request in "--shards 4:already holds a sweep" "--resume --shards 2:split into another number of shards"; do
    status=0
    "$slurm_sweep" ${request%%:*} --dir "$out" --satphase "$satphase" -- "${sweep[@]}" >/dev/null 2>"$work/err" ||
        status=$?
    [ $status -eq 1 ] && grep -q "${request#*:}" "$work/err" ||
        fail "slurm-sweep ${request%%:*}: status $status, $(cat "$work/err")"
done

loopback_only
say "passed in $((SECONDS - started)) s"
