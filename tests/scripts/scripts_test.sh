#!/usr/bin/env bash
# scripts_test.sh ROOT: the helper scripts refuse what would destroy an input
# or write where nobody asked (one line, non-zero, every file as it was), say
# why a flight they run fails, and draw what they are given.
set -uo pipefail
root="$1"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/scripts test.XXXXXX")" # a space on purpose
trap 'rm -rf "$scratch"' EXIT
failures=0
check() { # NAME CONDITION...: reports a failed condition
  local name="$1"; shift
  if ! "$@"; then echo "FAILED: $name" >&2; failures=$((failures + 1)); fi
}
# run EXPECTED_STATUS CMD...: runs it, keeping stdout and stderr; true when
# the status is the expected one.
run() {
  local expected="$1"; shift
  "$@" >"$scratch/out" 2>"$scratch/err"
  status=$?
  [[ $status -eq $expected ]] || { echo "status $status, not $expected: $* ($(cat "$scratch/err"))" >&2; return 1; }
}
one_line() { [[ $(wc -l <"$scratch/err") -eq 1 ]] || { cat "$scratch/err" >&2; return 1; }; }
says() { grep -qF -- "$1" "$scratch/err" || { echo "stderr lacks '$1': $(cat "$scratch/err")" >&2; return 1; }; }
is_png() { [[ "$(head -c 8 "$1" | od -An -c | tr -d ' ')" == '211PNG\r\n032\n' ]]; }

# plot-flight: a two-row flight, and one of a single row without a final newline.
flight="$scratch/flight.csv"
printf 'step,time,x,y,z,vx,vy,vz,speed,terrain\n0,0.00,0,150,135,0,0,0,0,10\n10,0.10,0,149,134,0,-1,-1,1.4,10\n' >"$flight"
printf 'step,time,x,y,z,vx,vy,vz,speed,terrain\n0,0.00,0,150,135,0,0,0,0,10' >"$scratch/one-row.csv"
sum="$(cksum <"$flight")"
ln -s "$flight" "$scratch/link.png"
mkdir "$scratch/folder.png"
for refused in "$flight|is the flight" "$scratch/link.png|is the flight" "$scratch/folder.png|is a folder" \
               "$scratch/absent/out.png|its folder '$scratch/absent' does not exist"; do
  out="${refused%%|*}"
  check "plot-flight refuses $out" run 2 "$root/scripts/plot-flight" "$flight" "$out"
  check "plot-flight says why for $out" says "${refused#*|}"
  check "plot-flight refuses $out in one line" one_line
done
check "plot-flight leaves the flight as it was" test "$(cksum <"$flight")" == "$sum"
check "plot-flight leaves the folder empty" test -z "$(ls -A "$scratch/folder.png")"
check "plot-flight draws one row" run 0 "$root/scripts/plot-flight" "$scratch/one-row.csv" "$scratch/one-row.png"
check "plot-flight's one-row picture is a PNG" is_png "$scratch/one-row.png"
# Drawn through a TMPDIR with a space in it, every marker found, nothing said.
check "plot-flight with a space in TMPDIR" run 0 env TMPDIR="$scratch" "$root/scripts/plot-flight" "$flight" "$scratch/flight.png"
check "plot-flight with a space in TMPDIR says nothing" test ! -s "$scratch/err"
check "plot-flight's picture is a PNG" is_png "$scratch/flight.png"
check "plot-flight leaves no temporary beside its picture" test -z "$(ls -A "$scratch" | grep '^\.plot-flight')"

# soaring-targets: a binary that fails, or that is not glider-flight at all.
printf '#!/bin/sh\necho "glider-flight: --scenario: cannot read" >&2\nexit 2\n' >"$scratch/failing"
printf '#!/bin/sh\nexit 0\n' >"$scratch/silent"
chmod +x "$scratch/failing" "$scratch/silent"
check "soaring-targets stops on a failing flight" run 1 "$root/scripts/soaring-targets" "$scratch/failing"
check "soaring-targets gives the flight's reason" says "(status 2): glider-flight: --scenario: cannot read"
check "soaring-targets stops on a binary that writes no flight" run 1 "$root/scripts/soaring-targets" "$scratch/silent"
check "soaring-targets says so" says "wrote no glider-flight CSV"
check "soaring-targets prints no figures" test ! -s "$scratch/out"

# synthetic-dem, synthetic-imagery: their own help, and no output named
# after an option or a folder.
for maker in synthetic-dem synthetic-imagery; do
  check "$maker -h" run 0 "$root/scripts/$maker" -h
  check "$maker -h prints its own usage" grep -q "^usage: scripts/$maker OUT.tif" "$scratch/out"
  check "$maker refuses an unknown option" run 2 "$root/scripts/$maker" --of
  check "$maker refuses a folder" run 2 "$root/scripts/$maker" "$scratch/folder.png"
  check "$maker refuses a folder in one line" one_line
done

[[ $failures -eq 0 ]] && echo "scripts: all checks passed"
exit $((failures > 0))
