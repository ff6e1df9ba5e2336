#!/bin/bash
# Run two level checkers on every file in DIR (and on the shipped boards.txt)
# and compare them level by level.
#
#   side_by_side.sh OLD_CHECK NEW_CHECK DIR [extra args for NEW ...]
#
# Per level it compares the verdict ("clearable in K key presses",
# "cannot be cleared", "not decided"), whether "not proven shortest" is
# said, and the number of keys.  A mismatch is: both decided but one says
# clearable and the other cannot be cleared; both proven shortest with a
# different number of keys; a winning sequence shorter than the other
# side's proven shortest one; or a level reported by one side only.
# Each file's wall time is measured per checker run.
#
# Environment: KEEP=DIR keeps the raw outputs there (default: a temporary
# folder, removed at the end).  Exit status 0 without mismatches, 1 with.
set -u
if [ $# -lt 3 ]; then
    echo "usage: $0 OLD_CHECK NEW_CHECK DIR [extra args for NEW ...]" >&2
    exit 2
fi
old=$1 new=$2 dir=$3
shift 3
for b in "$old" "$new"; do
    [ -x "$b" ] || { echo "$0: not an executable: $b" >&2; exit 2; }
done
[ -d "$dir" ] || { echo "$0: not a folder: $dir" >&2; exit 2; }

if [ -n "${KEEP:-}" ]; then
    work=$KEEP; mkdir -p "$work"
else
    work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fi

files=()
while IFS= read -r f; do files+=("$f"); done < <(find "$dir" -maxdepth 1 -type f | LC_ALL=C sort)
shipped="$(cd "$(dirname "$0")/../.." && pwd)/boards.txt"
[ -f "$shipped" ] && files+=("$shipped")
[ ${#files[@]} -gt 0 ] || { echo "$0: no files in $dir" >&2; exit 2; }

# timed OUT TIMEFILE CMD...: run CMD, stdout+stderr to OUT, seconds to TIMEFILE.
timed() {
    local out=$1 tf=$2; shift 2
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f %e -o "$tf" "$@" >"$out" 2>&1
    else
        local TIMEFORMAT=%R
        { time "$@" >"$out" 2>&1; } 2>"$tf"
    fi
    local rc=$?
    # /usr/bin/time adds "Command exited with non-zero status N" first.
    tail -n 1 "$tf" >"$tf.tmp" && mv "$tf.tmp" "$tf"
    return $rc
}

# parse NAME < output: one line per level: NAME<TAB>LEVEL<TAB>CLASS<TAB>KEYS<TAB>PROVEN<TAB>VERDICT
parse() {
    awk -v name="$1" '
    /^level [0-9]+: / {
        n = $2; sub(/:$/, "", n)
        rest = $0; sub(/^level [0-9]+: /, "", rest)
        v = rest; sub(/[(:].*$/, "", v); sub(/[ \t]+$/, "", v)
        if (v ~ /^clearable in [0-9]+ key press/) { cls = "C"; k = v; sub(/^clearable in /, "", k); sub(/ .*/, "", k) }
        else if (v == "cannot be cleared") { cls = "N"; k = "-" }
        else if (v == "not decided") { cls = "U"; k = "-" }
        else next                                  # difficulty and other lines
        if (n in seen) next
        seen[n] = 1
        pr = (cls == "C" && index(rest, "not proven shortest") == 0) ? 1 : 0
        printf "%s\t%s\t%s\t%s\t%d\t%s\n", name, n, cls, k, pr, v
    }'
}

: >"$work/old.tsv"; : >"$work/new.tsv"; : >"$work/times.tsv"
i=0
for f in "${files[@]}"; do
    i=$((i + 1))
    name=$f
    timed "$work/old.$i.out" "$work/old.$i.time" "$old" "$f"; orc=$?
    timed "$work/new.$i.out" "$work/new.$i.time" "$new" "$@" "$f"; nrc=$?
    parse "$name" <"$work/old.$i.out" >>"$work/old.tsv"
    parse "$name" <"$work/new.$i.out" >>"$work/new.tsv"
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$(cat "$work/old.$i.time")" "$(cat "$work/new.$i.time")" "$orc" "$nrc" >>"$work/times.tsv"
    [ $orc -ge 2 ] && echo "warning: old checker exit status $orc on $f" >&2
    [ $nrc -ge 2 ] && echo "warning: new checker exit status $nrc on $f" >&2
done

awk -F'\t' -v oldb="$old" -v newb="$new" -v extra="$*" '
FILENAME ~ /times.tsv$/ { nf++; order[nf] = $1; to[$1] = $2; tn[$1] = $3; tot_o += $2; tot_n += $3; next }
FILENAME ~ /old.tsv$/ { key = $1 SUBSEP $2; oc[key] = $3; ok[key] = $4; op[key] = $5; ov[key] = $6; keys[key] = 1; lv[$1] = lv[$1] " " $2; next }
FILENAME ~ /new.tsv$/ { key = $1 SUBSEP $2; nc[key] = $3; nk[key] = $4; np[key] = $5; nv[key] = $6; if (!(key in keys)) { keys[key] = 1; lv[$1] = lv[$1] " " $2 }; next }
END {
    for (fi = 1; fi <= nf; fi++) for (lvn = 1; lvn <= 99; lvn++) {
        key = order[fi] SUBSEP lvn
        if (!(key in keys)) continue
        split(key, a, SUBSEP); f = a[1]
        lvls++; pl[f]++
        o = (key in oc) ? oc[key] : "?"; n = (key in nc) ? nc[key] : "?"
        cnt_o[o]++; cnt_n[n]++
        if (o == "C" || o == "N") { dec_o++; pdo[f]++ }
        if (n == "C" || n == "N") { dec_n++; pdn[f]++ }
        if (o == "C" && op[key]) { pro_o++; ppo[f]++ }
        if (n == "C" && np[key]) { pro_n++; ppn[f]++ }
        bad = ""
        if (o == "?" || n == "?") bad = "reported by one checker only"
        else if ((o == "C" && n == "N") || (o == "N" && n == "C")) bad = "clearable vs cannot be cleared"
        else if (o == "C" && n == "C") {
            if (op[key] && np[key] && ok[key] != nk[key]) bad = "both proven shortest, different key counts"
            else if (op[key] && nk[key] + 0 < ok[key] + 0) bad = "new sequence shorter than old proven shortest"
            else if (np[key] && ok[key] + 0 < nk[key] + 0) bad = "old sequence shorter than new proven shortest"
            else if (ok[key] != nk[key]) { kdiff++; kd = kd sprintf("    %s level %s: old %s%s, new %s%s\n", f, a[2], ok[key], op[key] ? "" : " (not proven)", nk[key], np[key] ? "" : " (not proven)") }
        }
        if (o != n && bad == "") { if ((o == "C" || o == "N") && n == "U") lost++; else if (o == "U" && (n == "C" || n == "N")) gained++ }
        if (bad != "") {
            mism++
            ml = ml sprintf("    %s level %s: %s\n      old: %s%s\n      new: %s%s\n", f, a[2], bad,
                (key in ov) ? ov[key] : "(none)", (o == "C" && !op[key]) ? " (not proven shortest)" : "",
                (key in nv) ? nv[key] : "(none)", (n == "C" && !np[key]) ? " (not proven shortest)" : "")
        }
    }
    printf "OLD = %s\nNEW = %s%s\n\n", oldb, newb, (extra != "" ? " " extra : "")
    printf "%-34s %6s %9s %9s %9s %9s %8s %8s\n", "file", "levels", "dec old", "dec new", "short old", "short new", "secs old", "secs new"
    for (i = 1; i <= nf; i++) {
        f = order[i]; s = f; if (length(s) > 34) s = "..." substr(s, length(s) - 30)
        printf "%-34s %6d %9d %9d %9d %9d %8.2f %8.2f\n", s, pl[f], pdo[f], pdn[f], ppo[f], ppn[f], to[f], tn[f]
    }
    printf "\n"
    printf "%-40s %10s %10s\n", "", "old", "new"
    printf "%-40s %10d\n", "files", nf
    printf "%-40s %10d\n", "levels", lvls
    printf "%-40s %10d %10d\n", "levels decided", dec_o, dec_n
    printf "%-40s %10d %10d\n", "  clearable", cnt_o["C"], cnt_n["C"]
    printf "%-40s %10d %10d\n", "  cannot be cleared", cnt_o["N"], cnt_n["N"]
    printf "%-40s %10d %10d\n", "  not decided", cnt_o["U"], cnt_n["U"]
    printf "%-40s %10d %10d\n", "proven shortest", pro_o, pro_n
    printf "%-40s %10.2f %10.2f\n", "total wall time (s)", tot_o, tot_n
    printf "%-40s %10d\n", "verdict mismatches", mism
    printf "%-40s %10d\n", "decided by new only", gained
    printf "%-40s %10d\n", "decided by old only", lost
    printf "%-40s %10d\n", "key counts differ (not both proven)", kdiff
    if (mism) printf "\nmismatches:\n%s", ml
    if (kdiff) printf "\nkey counts that differ where one side is not proven shortest:\n%s", kd
    exit (mism > 0)
}' "$work/times.tsv" "$work/old.tsv" "$work/new.tsv"
