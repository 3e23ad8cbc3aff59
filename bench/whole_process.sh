#!/usr/bin/env bash
# The whole batch process, the new build beside a baseline build: cluster-batch
# on generated CSV and data files (N = 1000 with M = 200 and M = 5, N = 200
# with M = 5), both methods, the output and merges files written. Medians of
# hyperfine runs; the two builds take turns, case by case and round by round,
# so that a change in the machine's speed weighs on both alike.
#
#   BASELINE=/path/to/older/cluster-batch bench/whole_process.sh
#   BUILD_DIR=/path/to/build ROUNDS=5 RUNS=5 BASELINE=... bench/whole_process.sh
#   GAP=3 ROUNDS=1 bench/whole_process.sh   # each run GAP seconds after the last
#
# Without BASELINE only the new build's medians are shown. Back-to-back runs
# find the memory the last run freed still at hand; a user's runs come seconds
# apart, and GAP measures that case (hyperfine's --prepare).
#
# Run by hand only; the tests never need it. Installs hyperfine (Debian) when
# it is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
ROUNDS="${ROUNDS:-5}"
RUNS="${RUNS:-5}"
BATCH="$BUILD_DIR/tools/cluster-batch"
BASELINE="${BASELINE:-}"
GAP="${GAP:-}"

for f in "$BATCH" ${BASELINE:+"$BASELINE"}; do
  [ -x "$f" ] || { echo "missing $f: build first (scripts/test or cmake --build)" >&2; exit 1; }
done

if ! command -v hyperfine >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq hyperfine
fi

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# n objects with m attributes, values 0.000 .. 99.999 from a fixed seed, as
# CSV and as the program's data file (both CR LF).
generate() {
  local name=$1 n=$2 m=$3 seed=$4
  awk -v seed="$seed" -v n="$n" -v m="$m" -v csv="$WORK/$name.csv" -v dat="$WORK/$name.dat" '
    BEGIN {
      srand(seed)
      printf "name" > csv
      for (k = 1; k <= m; ++k) printf ",a%d", k > csv
      printf "\r\n" > csv
      printf "%d\r\n%d\r\nname\r\n", n + 2, m + 2 > dat
      for (k = 1; k <= m; ++k) printf "a%d\r\n", k > dat
      for (i = 1; i <= n; ++i) {
        printf "obj%d", i > csv
        printf "obj%d\r\n", i > dat
        for (k = 1; k <= m; ++k) {
          v = sprintf("%.3f", rand() * 100)
          printf ",%s", v > csv
          printf "%s\r\n", v > dat
        }
        printf "\r\n" > csv
      }
    }'
}

SIZES=("1000 200" "1000 5" "200 5")
for s in "${SIZES[@]}"; do
  set -- $s
  generate "n$1m$2" "$1" "$2" "$(( $1 + $2 ))"
done

pace=()
warmup=2
[ -z "$GAP" ] || { pace=(--prepare "sleep $GAP"); warmup=1; }
cases=()
echo "== whole processes (hyperfine): $ROUNDS rounds of $RUNS runs of each build =="
for round in $(seq "$ROUNDS"); do
  for s in "${SIZES[@]}"; do
    set -- $s
    for method in centroid ward; do
      for ext in csv dat; do
        name="n$1m$2.$method.$ext"
        [ "$round" -gt 1 ] || cases+=("$name")
        new="$BATCH --method $method --out $WORK/$name.out --merges $WORK/$name.merges $WORK/n$1m$2.$ext"
        commands=("$new")
        if [ -n "$BASELINE" ]; then
          old="$BASELINE --method $method --out $WORK/$name.base.out --merges $WORK/$name.base.merges $WORK/n$1m$2.$ext"
          # The builds take turns at going first.
          if [ $((round % 2)) -eq 1 ]; then commands=("$new" "$old"); else commands=("$old" "$new"); fi
        fi
        hyperfine -N --warmup "$warmup" --runs "$RUNS" "${pace[@]}" --style none \
          --export-json "$WORK/$name.$round.json" "${commands[@]}" >/dev/null
        if [ -n "$BASELINE" ] && ! { cmp -s "$WORK/$name.out" "$WORK/$name.base.out" &&
                                       cmp -s "$WORK/$name.merges" "$WORK/$name.base.merges"; }; then
          echo "WARNING: $name: output differs from the baseline's"
        fi
      done
    done
  done
done

python3 - "$WORK" "$ROUNDS" "$BATCH" "${cases[@]}" <<'PY'
import json, statistics, sys

work, rounds, batch, cases = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4:]
print(f"\n{'case':<22} {'new_ms':>8} {'baseline_ms':>11} {'ratio':>6}")
for case in cases:
    new, old = [], []
    for r in range(1, rounds + 1):
        for res in json.load(open(f"{work}/{case}.{r}.json"))["results"]:
            (new if res["command"].startswith(batch + " ") else old).extend(t * 1000 for t in res["times"])
    n = statistics.median(new)
    if old:
        o = statistics.median(old)
        print(f"{case:<22} {n:8.1f} {o:11.1f} {n / o:6.2f}")
    else:
        print(f"{case:<22} {n:8.1f} {'-':>11} {'-':>6}")
print("(medians of all the runs of each build; ratio = new / baseline)")
PY
