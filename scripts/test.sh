#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with CTest's summary and the fault
# suite's figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd "${TVX_BUILD_DIR:-build}"
status=0
ctest --output-on-failure -j2 || status=$?
if [ -f fault-figures.md ]; then
  echo
  echo "Fault suite figures (fault-figures.md)"
  echo
  cat fault-figures.md
fi
exit $status
