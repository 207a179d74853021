#!/usr/bin/env bash
# ScoreSeqComplexity on a 1,000,000-residue sequence with ws 101 (target: under 0.5 s).
set -euo pipefail
source "$(dirname "$0")/common.sh"
python3 - "$BENCH_WORK/big.fa" <<'PY'
import random, sys
random.seed(1)
residues = "".join(random.choice("ARNDCQEGHILKMFPSTWYVX") for _ in range(1_000_000))
with open(sys.argv[1], "w") as out:
    out.write(">big\n")
    for i in range(0, len(residues), 60):
        out.write(residues[i:i + 60] + "\n")
PY
echo "ScoreSeqComplexity, 1,000,000 residues, ws 101: $(median_of 3 "$LINKERKIT_BIN/ScoreSeqComplexity" "$BENCH_WORK/big.fa" 101)"
