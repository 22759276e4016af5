#!/usr/bin/env bash
# Installs what is missing, builds, starts the demonstration site on 127.0.0.1 and then the program
# with its delivered tvx.cfg. The site stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
build="${TVX_BUILD_DIR:-build}"
if [ -x "$build/bin/tvx-demosite" ]; then
  "$build/bin/tvx-demosite" &
  site=$!
  trap 'kill $site 2>/dev/null || true' EXIT
fi
# Chromium's sandbox cannot run as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
"$build/bin/tavrinex"
