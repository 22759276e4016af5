#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. It prints the fault suite's figures and ends
# with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd "${TVX_BUILD_DIR:-build}"
set +e
# A test that fails is run once more before it counts as failed: on a shared two-core machine a browser
# page now and then misses its time-out under load. A test that fails twice fails the run.
ctest --output-on-failure -j2 --repeat until-pass:2 2>&1 | tee ctest-output.log
status=${PIPESTATUS[0]}
set -e
if [ -f fault-figures.md ]; then
  echo
  echo "Fault suite figures (fault-figures.md)"
  echo
  cat fault-figures.md
  # CTest's summary once more, so that it is what the command ends with.
  echo
  sed -n '/tests passed, /,$p' ctest-output.log
fi
exit $status
