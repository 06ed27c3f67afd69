# A Slurm cluster of one for the farm's tests, sourced by them:
#   cluster_start DIR   munged, slurmctld and slurmd with their key, sockets, configuration
#                       and state in DIR, on loopback and free ports; exports SLURM_CONF
#   cluster_stop        stops the daemons it started, by their process ids
# Returns 77 from cluster_start where Slurm or munge is not installed.

cluster_pids=()

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

cluster_start() {
  local dir=$1
  for program in munged slurmctld slurmd sbatch squeue; do
    command -v "$program" >/dev/null || PATH=$PATH:/usr/sbin command -v "$program" >/dev/null || return 77
  done
  export PATH=$PATH:/usr/sbin
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool"
  chmod 700 "$dir/munge"
  dd if=/dev/urandom of="$dir/munge/key" bs=1024 count=1 status=none && chmod 400 "$dir/munge/key"
  munged --force --socket="$dir/munge/socket" --key-file="$dir/munge/key" --pid-file="$dir/munge/pid" \
    --log-file="$dir/munge/log" --seed-file="$dir/munge/seed" || return 1
  for _ in $(seq 50); do [ -s "$dir/munge/pid" ] && break; sleep 0.1; done
  cluster_pids+=("$(cat "$dir/munge/pid")")
  cat > "$dir/slurm.conf" <<CONF
ClusterName=farmtest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
AuthInfo=socket=$dir/munge/socket
CredType=cred/munge
SlurmUser=$(id -un)
SlurmdUser=$(id -un)
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
ReturnToService=2
MinJobAge=600
NodeName=$(hostname -s) NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=debug Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF=$dir/slurm.conf
  slurmctld -D -i >"$dir/slurmctld.out" 2>&1 &
  cluster_pids+=($!)
  slurmd -D >"$dir/slurmd.out" 2>&1 &
  cluster_pids+=($!)
  for _ in $(seq 100); do
    sinfo -h -o %T 2>/dev/null | grep -qx idle && return 0
    sleep 0.2
  done
  echo "the cluster of one did not start; see $dir" >&2
  return 1
}

cluster_stop() {
  local pid
  for pid in "${cluster_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${cluster_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  cluster_pids=()
}
