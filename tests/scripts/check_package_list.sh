#!/usr/bin/env bash
# Fails when a setup script installs packages from anywhere but
# scripts/packages.txt, or when the list names a group no script installs.
set -euo pipefail
root="$1"
cd "$root"
fail() { echo "FAIL: $*"; exit 1; }

for script in scripts/run scripts/test scripts/bench; do
    grep -q 'source "$(dirname "$0")/lib.sh"' "$script" || fail "$script does not use lib.sh"
    if grep -v '^\s*#' "$script" | grep -qE 'apt-get|apt install|dpkg -i'; then
        fail "$script installs packages by itself"
    fi
done
grep -q 'korvid_install build run$' scripts/run || fail "scripts/run does not install build and run"
grep -q 'korvid_install build run test$' scripts/test || fail "scripts/test does not install every group"

# Every line of the list belongs to a known group and names one package.
groups="$(awk '!/^#/ && NF { print $1 }' scripts/packages.txt | sort -u | tr '\n' ' ')"
[ "$groups" = "build run test " ] || fail "unexpected groups: $groups"
awk '!/^#/ && NF && NF != 2 { exit 1 }' scripts/packages.txt || fail "a line does not read '<group> <package>'"

# lib.sh reads the same list for both: the run groups are a subset of the test ones.
source scripts/lib.sh
run_packages="$(korvid_packages build run | sort)"
test_packages="$(korvid_packages build run test | sort)"
[ -n "$run_packages" ] || fail "no packages for scripts/run"
missing="$(comm -23 <(echo "$run_packages") <(echo "$test_packages"))"
[ -z "$missing" ] || fail "scripts/run installs what scripts/test does not: $missing"
echo "one package list: ok"
