# Steps the QzpPack scripts share; sourced after $runner and $qzppack are set.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# [INPUT |] qz EXPECTED_STATUS ARGS...: runs QzpPack, keeps its output in
# out.txt and err.txt.
qz() {
    local expected="$1"; shift
    "$runner" "$qzppack" "$@" >out.txt 2>err.txt
    local status=$?
    # Wine's console ends lines with CR LF; Wine itself talks on the error stream.
    tr -d '\r' <out.txt >out.clean; mv out.clean out.txt
    grep -v '^wine: ' err.txt | tr -d '\r' >err.clean; mv err.clean err.txt
    [ "$status" = "$expected" ] || fail "QzpPack $* exited $status, expected $expected: $(cat err.txt)"
}
