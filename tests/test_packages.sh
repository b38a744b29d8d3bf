#!/usr/bin/env bash
# The install logic of tools/packages.sh, with stand-ins for dpkg-query, id, sudo,
# apt-get and env that record what they are asked and install nothing. The
# stand-ins are alone on PATH, so nothing real is ever run.
#   test_packages.sh PATH/TO/tools/packages.sh
set -uo pipefail

script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
shims="$work/shims"
mkdir "$shims"
failures=0

# A stand-in that appends its name and arguments to the log, then runs the body.
shim() {
  printf '#!%s\necho "%s $*" >> "%s/log"\n%s\n' "$BASH" "$1" "$work" "$2" > "$shims/$1"
  chmod +x "$shims/$1"
}
# Installed: the packages named in $work/installed, one a line.
shim dpkg-query 'while read -r p; do [ "$p" = "${@: -1}" ] && { printf "install ok installed"; exit 0; }; done < '"$work"'/installed; exit 1'
shim id 'echo "$RT_UID"'
shim sudo '[ "$1" = -n ] && [ "$RT_SUDO" = nopassword ]'
shim apt-get '[ "$1" = update ] || echo "frontend=${DEBIAN_FRONTEND:-}" >> '"$work"'/log'
shim env 'while [[ "$1" == *=* ]]; do export "$1"; shift; done; exec "$@"'

cat > "$work/packages.txt" << 'EOF'
# group  package  what for
build    cc       compiles
build    make     builds
tests    gtest    tests
EOF

# Runs rt_install_groups GROUPS as user RT_UID (0: root) with sudo RT_SUDO
# (nopassword, password or absent), the packages of $work/installed present.
attempt() {
  : > "$work/log"
  [ "$RT_SUDO" = absent ] && mv "$shims/sudo" "$work/sudo.off"
  (
    source "$script"
    rt_packages_file="$work/packages.txt"
    unset DEBIAN_FRONTEND
    PATH="$shims"
    rt_install_groups "$@"
  ) > "$work/out" 2>&1
  status=$?
  [ -f "$work/sudo.off" ] && mv "$work/sudo.off" "$shims/sudo"
  return 0
}

# expect NAME STATUS LOG-LINES... : the attempt ended with STATUS and the stand-ins
# other than dpkg-query, id and env were asked exactly LOG-LINES, in order.
expect() {
  local name="$1" want="$2" got
  shift 2
  got="$(grep -v '^\(dpkg-query\|id\|env\) ' "$work/log")"
  local lines
  lines="$(printf '%s\n' "$@")"
  if [ "$status" != "$want" ] || [ "$got" != "${lines%$'\n'}" ]; then
    echo "FAILED $name: status $status (expected $want), asked:"
    printf '%s\n' "$got"
    echo "expected:"
    printf '%s\n' "$@"
    cat "$work/out"
    failures=$((failures + 1))
  else
    echo "ok $name"
  fi
}

printf 'cc\nmake\ngtest\n' > "$work/installed"
RT_UID=1000 RT_SUDO=password attempt build tests
expect "nothing missing: nothing run" 0

printf 'make\n' > "$work/installed"
RT_UID=0 RT_SUDO=absent attempt build tests
expect "root: apt-get itself" 0 "apt-get update" \
  "apt-get install -y --no-install-recommends cc gtest" "frontend=noninteractive"

RT_UID=1000 RT_SUDO=nopassword attempt build
expect "sudo without a password: through sudo -n" 0 "sudo -n true" "sudo -n apt-get update" \
  "sudo -n env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends cc"

for sudo in password absent; do
  RT_UID=1000 RT_SUDO=$sudo attempt build tests
  [ "$sudo" = password ] && asked=("sudo -n true") || asked=()
  expect "sudo $sudo: stops with the line to run" 1 "${asked[@]}"
  grep -qx '    apt-get install -y --no-install-recommends cc gtest' "$work/out" ||
    { echo "FAILED sudo $sudo: no apt-get line in"; cat "$work/out"; failures=$((failures + 1)); }
done

RT_UID=0 RT_SUDO=absent attempt build fuzzing
expect "unknown group: nothing run" 1
grep -q 'has no group fuzzing' "$work/out" || { echo "FAILED: unknown group not named"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ]
