#!/usr/bin/env bash
# The whole process of a batch run against its arithmetic: cluster-batch on
# generated CSV and data files (N = 1000 with M = 5 and M = 200, N = 200 with
# M = 5), both methods, output and merges files written; medians over repeated
# runs by hyperfine, beside the engine benchmark's medians for the pair sums
# and the agglomeration of the same sizes, measured in the same run.
#
# Target at N = 1000: whole process <= pair sums + agglomeration + 30 ms.
#
#   bench/whole_process.sh                  # uses build/
#   BUILD_DIR=/path/to/build ROUNDS=5 RUNS=5 bench/whole_process.sh
#   BASELINE=/path/to/older/cluster-batch bench/whole_process.sh   # adds a ratio
#   GAP=3 ROUNDS=1 bench/whole_process.sh   # each run GAP seconds after the last
#
# Back-to-back runs find the memory the last run freed still at hand. A user's
# runs come seconds apart, and a virtual machine may by then have handed that
# memory back to its host: GAP measures that case (hyperfine's --prepare).
#
# Run by hand only; the tests never need it. Installs hyperfine (Debian) when
# it is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
# The commands take turns in ROUNDS rounds of RUNS runs each, so that a
# change in the machine's speed during the run weighs on every command alike;
# medians are taken over all the runs of a command. Three warm-up runs per
# command and round: on a virtual machine whose host takes back freed memory,
# the first runs after others find their pages cold.
ROUNDS="${ROUNDS:-5}"
RUNS="${RUNS:-5}"
BATCH="$BUILD_DIR/tools/cluster-batch"
ENGINE_BENCH="$BUILD_DIR/bench/engine_bench"
BASELINE="${BASELINE:-}"
GAP="${GAP:-}"

for f in "$BATCH" "$ENGINE_BENCH"; do
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

# The engine benchmark runs before and after the whole processes, and the
# mean of its two medians is taken, so that a change in the machine's load
# during the run weighs on both sides alike.
engine_bench() {
  "$ENGINE_BENCH" --benchmark_filter='^(BM_PairSums/[0-9]+/[0-9]+/|(Centroid|Ward)/[0-9]+/[0-9]+/[01]/0/)' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$WORK/$1" --benchmark_out_format=csv >/dev/null
}
echo "== engine benchmark (pair sums, agglomeration), first half =="
engine_bench engine1.csv
# name,iterations,real_time,... ; names like "Ward/1000/5/1/0/real_time_median"
# or "Centroid/1000/5/0/0/process_time/real_time_median"
engine_median() {  # prefix -> milliseconds, the mean of the two runs
  awk -F, -v want="\"$1/" 'index($1, want) == 1 && $1 ~ /real_time_median"$/ { sum += $3; n++ }
    END { if (n) printf "%.2f\n", sum / n }' "$WORK/engine1.csv" "$WORK/engine2.csv"
}

echo "== whole process (hyperfine, $ROUNDS rounds of $RUNS runs each) =="
commands=()
names=()
for s in "${SIZES[@]}"; do
  set -- $s
  for method in centroid ward; do
    for ext in csv dat; do
      name="n$1m$2.$method.$ext"
      names+=("$name")
      commands+=("$BATCH --method $method --out $WORK/$name.out --merges $WORK/$name.merges $WORK/n$1m$2.$ext")
      if [ -n "$BASELINE" ]; then
        names+=("$name.baseline")
        commands+=("$BASELINE --method $method --out $WORK/$name.base.out --merges $WORK/$name.base.merges $WORK/n$1m$2.$ext")
      fi
    done
  done
done
# The program's start alone, for reference.
names+=("start-up")
commands+=("$BATCH --help")
pace=()
warmup=3
[ -z "$GAP" ] || { pace=(--prepare "sleep $GAP"); warmup=1; }
for round in $(seq "$ROUNDS"); do
  hyperfine -N --warmup "$warmup" --runs "$RUNS" "${pace[@]}" --style none --export-json "$WORK/round$round.json" \
    "${commands[@]}" >/dev/null
done
# Per command, one more run for the processor time and memory it took: user +
# system time, peak resident size and page faults (fresh memory costs its
# zeroing on first touch, on a virtual machine often the largest cost after
# the arithmetic). The command does its work in a child process that ends
# after it, so the figures are taken as the processes end, by a process that
# adopts the orphaned child: the command's own (its process starts as a fork
# of this script's, whose pages it would count) are left out where a child
# did the work.
declare -A usage
for i in "${!names[@]}"; do
  case ${names[$i]} in *.baseline) continue ;; esac
  # shellcheck disable=SC2086  # the command line splits into its words
  usage[${names[$i]}]=$(python3 -c '
import ctypes, os, subprocess, sys
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
command = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
ended = {}
while True:
    try:
        pid, _, rusage = os.wait4(-1, 0)
    except ChildProcessError:
        break
    ended[pid] = rusage
work = [r for pid, r in ended.items() if pid != command.pid] or [ended[command.pid]]
cpu = sum(r.ru_utime + r.ru_stime for r in ended.values())
print(f"{cpu * 1000:.1f} {max(r.ru_maxrss for r in work) / 1024:.1f} {sum(r.ru_minflt for r in work)}")
' ${commands[$i]})
done
# Per command: the median of all its runs.
python3 - "$WORK" "$ROUNDS" >"$WORK/whole.csv" <<'PY'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
times = None
for r in range(1, rounds + 1):
    results = json.load(open(f"{work}/round{r}.json"))["results"]
    if times is None:
        times = [[] for _ in results]
    for i, res in enumerate(results):
        times[i] += res["times"]
print("command,median")
for i in range(len(times)):
    print(f"{i},{statistics.median(times[i])}")
PY
echo "== engine benchmark, second half =="
engine_bench engine2.csv

if [ -n "$BASELINE" ]; then
  for name in "${names[@]}"; do
    case $name in *.baseline | start-up) continue ;; esac
    cmp -s "$WORK/$name.out" "$WORK/$name.base.out" && cmp -s "$WORK/$name.merges" "$WORK/$name.base.merges" \
      || echo "WARNING: $name: output differs from the baseline's"
  done
fi

# whole.csv: index,median (seconds), in the order of the commands.
mapfile -t medians < <(awk -F, 'NR > 1 { printf "%.1f\n", $2 * 1000 }' "$WORK/whole.csv")

printf '\n%-22s %9s %9s %9s %9s %9s %9s %8s %7s  %s\n' case whole_ms sums_ms aggl_ms target_ms margin_ms cpu_ms peak_MB faults verdict
i=0
declare -A whole
for name in "${names[@]}"; do
  whole[$name]=${medians[$i]}
  i=$((i + 1))
done
for name in "${names[@]}"; do
  case $name in *.baseline | start-up) continue ;; esac
  size=${name%%.*}                     # n1000m200
  n=${size#n}; n=${n%%m*}; m=${size##*m}
  method=$(echo "$name" | cut -d. -f2)
  if [ "$method" = centroid ]; then aggl=$(engine_median "Centroid/$n/$m/0/0"); else aggl=$(engine_median "Ward/$n/$m/1/0"); fi
  sums=$(engine_median "BM_PairSums/$n/$m")
  read -r cpu peak faults <<<"${usage[$name]}"
  awk -v name="$name" -v w="${whole[$name]}" -v s="$sums" -v a="$aggl" -v n="$n" -v c="$cpu" \
    -v peak="$peak" -v faults="$faults" 'BEGIN {
    t = s + a + 30
    verdict = n == 1000 ? (w <= t ? "met" : "MISSED") : "-"
    printf "%-22s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %8.1f %7d  %s\n", name, w, s, a, t, t - w, c, peak, faults, verdict
  }'
done

read -r cpu _ <<<"${usage[start-up]}"
printf '\nstart-up alone (cluster-batch --help): %s ms (cpu %s ms)\n' "${whole[start-up]}" "$cpu"
echo "(whole: median of all the hyperfine runs of the rounds; sums and aggl:"
echo " engine benchmark medians, mean of the runs before and after; target = sums + aggl + 30;"
echo " cpu_ms: user + system time of the command and its work, peak_MB and faults: peak resident size and page"
echo " faults of the work, from one more run)"

if [ -n "$BASELINE" ]; then
  printf '\n%-22s %11s %9s %7s\n' case baseline_ms now_ms ratio
  for name in "${names[@]}"; do
    case $name in *.baseline | start-up) continue ;; esac
    awk -v name="$name" -v b="${whole[$name.baseline]}" -v w="${whole[$name]}" \
      'BEGIN { printf "%-22s %11.1f %9.1f %7.2f\n", name, b, w, w / b }'
  done
fi
