#!/bin/sh
# Tavrinex launcher, installed as <prefix>/bin/tavrinex and as <prefix>/bin/tavrinex-run (the command
# without a window); the programs themselves are in <prefix>/lib/tavrinex.
#
# The program keeps its store tvx.cfg, with the user's accounts, beside its executable, so it has to
# run from a folder the user may write:
# - an installed program folder that the user may write (an install into the user's own prefix, such
#   as ~/.local) is used as it is;
# - otherwise (a package, marked by the file "packaged", or a system-wide install) the launcher runs
#   the user's own copy of the program folder, ${XDG_DATA_HOME:-~/.local/share}/tavrinex. Its program
#   files are brought up to date from the installed ones at every start; its tvx.cfg is copied from the
#   delivered one once and never replaced.
# The demonstration site that the delivered sites and the information panes point at is started
# beside the program (when its port is free) and ends with it.
set -eu

self=$(readlink -f "$0")
installed=$(cd "$(dirname "$self")/../lib/tavrinex" && pwd)
# Which of the two programs this launcher starts, by the name it was installed under.
case "$(basename "$self")" in
tavrinex-run) program_name=tavrinex-run ;;
*) program_name=tavrinex ;;
esac

writable() {
    [ -w "$1" ] && { [ ! -e "$1/tvx.cfg" ] || [ -w "$1/tvx.cfg" ]; }
}

if [ ! -e "$installed/packaged" ] && writable "$installed"; then
    run=$installed
else
    run=${XDG_DATA_HOME:-$HOME/.local/share}/tavrinex
    mkdir -p "$run"
    chmod 700 "$run"
    (cd "$installed" && find . -type f ! -name tvx.cfg ! -name packaged) | while IFS= read -r file; do
        if ! cmp -s "$installed/$file" "$run/$file"; then
            mkdir -p "$(dirname "$run/$file")"
            cp -p "$installed/$file" "$run/$file.new"
            mv -f "$run/$file.new" "$run/$file"
        fi
    done
    if [ ! -e "$run/tvx.cfg" ]; then
        (umask 077 && cp "$installed/tvx.cfg" "$run/tvx.cfg.new")
        chmod 600 "$run/tvx.cfg.new"
        mv "$run/tvx.cfg.new" "$run/tvx.cfg"
    fi
fi

# After the exec below this process is the program: the site's watcher ends the site when it ends.
program=$$
if [ -x "$run/tvx-demosite" ]; then
    ready=$(mktemp)
    (
        "$run/tvx-demosite" >"$ready" 2>&1 &
        site=$!
        while kill -0 "$program" 2>/dev/null && kill -0 "$site" 2>/dev/null; do
            sleep 1
        done
        kill "$site" 2>/dev/null || true
    ) </dev/null >/dev/null 2>&1 &
    # The site says when it serves (or why it cannot); the panes load as soon as the program starts.
    tries=0
    while [ ! -s "$ready" ] && [ "$tries" -lt 30 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    rm -f "$ready"
fi

# Chromium's sandbox cannot run as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
exec "$run/$program_name" "$@"
