#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd "${TVX_BUILD_DIR:-build}"
ctest --output-on-failure -j2
