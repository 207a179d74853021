#!/usr/bin/env bash
# aaindex-scale.sh ACCESSION AAINDEX1: prints one AAindex1 entry as a residue
# scale file (letter, TAB, value; A R N D C Q E G H I L K M F P S T W Y V),
# the values as the entry writes them.
set -euo pipefail
(($# == 2)) || { echo "usage: aaindex-scale.sh ACCESSION AAINDEX1"; exit 1; }
awk -v accession="$1" '
  $1 == "H" { inside = ($2 == accession) }
  inside && $1 == "I" { rows = 2; next }
  inside && rows > 0 { for (i = 1; i <= 10; i++) values[n++] = $i; rows-- }
  END {
    if (n != 20) { print "no entry " accession " with 20 values"; exit 1 }
    split("A R N D C Q E G H I L K M F P S T W Y V", letters, " ")
    for (i = 1; i <= 20; i++) printf "%s\t%s\n", letters[i], values[i - 1]
  }' "$2"
