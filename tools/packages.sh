#!/usr/bin/env bash
# The Debian packages of the project by group, as tools/packages.txt lists them,
# and the installing of those that are missing. Sourced by tools/run_sample.sh,
# tools/run_tests.sh and .ci/run. Run on its own it prints the groups:
#   tools/packages.sh                 every group and its packages
#   tools/packages.sh build tests     the packages of these groups, on one line
# Needs nothing but bash, dpkg-query and id; apt-get (and sudo) only to install.

if [[ "${BASH_SOURCE[0]}" == */* ]]; then
  rt_packages_file="${BASH_SOURCE[0]%/*}/packages.txt"
else
  rt_packages_file=packages.txt
fi

# Prints the packages of the given groups, one a line, in the file's order within
# each group. Fails for a group the file does not have.
rt_packages() {
  local wanted group package rest found
  for wanted in "$@"; do
    found=0
    while read -r group package rest; do
      [[ "$group" == "$wanted" ]] || continue
      printf '%s\n' "$package"
      found=1
    done < "$rt_packages_file"
    if [ "$found" -eq 0 ]; then
      echo "packages.sh: $rt_packages_file has no group $wanted" >&2
      return 1
    fi
  done
}

# Prints those of the given packages that dpkg does not have installed.
rt_missing() {
  local package
  for package in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] || printf '%s\n' "$package"
  done
}

# Installs the packages of the given groups that are missing: with apt-get when
# run as root, through sudo where it needs no password. Otherwise prints the
# apt-get line to run and fails, so that the caller stops before building.
rt_install_groups() {
  local list
  list="$(rt_packages "$@")" || return 1
  if ! command -v dpkg-query > /dev/null; then
    echo "No dpkg-query here, so the packages are not checked; this needs: ${list//$'\n'/ }"
    return 0
  fi
  local wanted=() missing=()
  mapfile -t wanted <<< "$list"
  mapfile -t missing < <(rt_missing "${wanted[@]}")
  [ "${#missing[@]}" -eq 0 ] && return 0

  local as=()  # empty as root
  if [ "$(id -u)" != 0 ]; then
    if command -v sudo > /dev/null && sudo -n true 2> /dev/null; then
      as=(sudo -n)
    else
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root, then run this again:" >&2
      echo "    apt-get install -y --no-install-recommends ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "Installing the missing Debian packages: ${missing[*]}"
  # sudo clears the environment, so the front end is set by env under it.
  "${as[@]}" apt-get update &&
    "${as[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  set -euo pipefail
  if [ "$#" -gt 0 ]; then
    list="$(rt_packages "$@")"
    echo "${list//$'\n'/ }"
  else
    groups=()
    while read -r group package rest; do
      [[ -z "$group" || "$group" == \#* || " ${groups[*]} " == *" $group "* ]] || groups+=("$group")
    done < "$rt_packages_file"
    for group in "${groups[@]}"; do
      list="$(rt_packages "$group")"
      echo "$group: ${list//$'\n'/ }"
    done
  fi
fi
