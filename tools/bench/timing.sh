# Wall-clock timing shared by the benchmarks; sourced. The caller sets
# `work` (the fresh output folder $work/out is made there for every run)
# and `runs` (runs per figure).

# SECONDS one command (a string, evaluated) takes, run in a fresh $work/out.
seconds() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    local start end
    start=${EPOCHREALTIME/,/.}
    (cd "$work/out" && eval "$1" >/dev/null 2>"$work/stderr") || { echo "failed: $1" >&2; cat "$work/stderr" >&2; }
    end=${EPOCHREALTIME/,/.}
    echo "$end - $start" | bc
}
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'; }
ratio() { echo "scale=3; $1 / $2" | bc; }

# Paired runs of several commands, in turn, the order rotated every run, so
# that a machine that slows down meanwhile weighs on all of them; sets
# MEDIANS to their medians in the order given.
paired() {
    local n=$# i r
    local -a cmds=("$@") all=()
    for ((r = 0; r < runs; r++)); do
        for ((i = 0; i < n; i++)); do
            local k=$(((i + r) % n))
            all[k * runs + r]=$(seconds "${cmds[k]}")
        done
    done
    MEDIANS=()
    for ((i = 0; i < n; i++)); do MEDIANS+=("$(median "${all[@]:i*runs:runs}")"); done
}
