# Shared by scripts/run and the app scenarios; sourced, not run.

# Waits up to 30 s for a community server started with --print-ca-path, its
# standard output going to OUT and its process PID, to listen. Prints its
# "host:port", or nothing when it ended or did not start in time. The CA
# file is the first line of OUT.
community_server_address() {
  local out=$1 pid=$2 address=""
  for _ in $(seq 1 600); do
    address="$(sed -n 's/^Listening on .* (\(.*\))$/\1/p' "$out")"
    [[ -n "$address" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  printf '%s' "$address"
}
