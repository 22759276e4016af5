#!/usr/bin/env bash
# Sums the fault suite's figures (lines "what<TAB>tried<TAB>survived<TAB>note" in <folder>/*.tsv) into a
# Markdown table, prints it and writes it to <table file>. Fails when an account was lost or a fault
# was not survived.
#   figures.sh <folder> <table file>
set -euo pipefail
folder="$1" out="$2"
shopt -s nullglob
files=("$folder"/*.tsv)
if [ ${#files[@]} -eq 0 ]; then
  echo "no fault figures in $folder"
  rm -f "$out"
  exit 0
fi
cat "${files[@]}" | awk -F'\t' '
  { tried[$1] += $2; survived[$1] += $3; if ($4 != "" && index(notes[$1], $4) == 0) notes[$1] = notes[$1] (notes[$1] == "" ? "" : "; ") $4 }
  function row(key, label,   t, s) {
    if (!(key in tried)) return
    printf "| %s | %d | %d | %s |\n", label, tried[key], survived[key], notes[key]
    if (survived[key] < tried[key]) bad = 1
  }
  END {
    print "| fault | tried | survived | notes |"
    print "| --- | ---: | ---: | --- |"
    row("hostile", "hostile pages, whole runs in Qt WebEngine")
    row("store", "store faults")
    row("input", "bad input stored and typed into pages")
    row("kills", "SIGKILL while adding and deleting accounts")
    if ("lost" in tried) {
      printf "| accounts lost (must be 0) | %d | | |\n", tried["lost"]
      if (tried["lost"] > 0) bad = 1
    }
    n = 0
    for (key in tried) if (key ~ /^fuzz:/) names[++n] = key
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (names[j] < names[i]) { t = names[i]; names[i] = names[j]; names[j] = t }
    for (i = 1; i <= n; i++)
      printf "| fuzz executions: %s | %d | %d | %s |\n", substr(names[i], 6), tried[names[i]], survived[names[i]], notes[names[i]]
    exit bad
  }' >"$out.new" && status=0 || status=$?
mv "$out.new" "$out"
echo
echo "Fault suite figures"
echo
cat "$out"
exit $status
