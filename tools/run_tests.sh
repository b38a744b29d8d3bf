#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the companion program and
# the packaging test need (those missing; see tools/packages.txt), then builds and
# runs every test: the ci workflow (release build, warnings as errors).
# Run from anywhere; paths are taken from the repository root.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/packages.sh

rt_install_groups build tests companion packaging || exit 1
cmake --workflow --preset ci
