#!/usr/bin/env python3
"""Writes made-up protein inputs in the layouts the feature programs read.

    make-protein-inputs.py FOLDER NAME SEQUENCE STRUCTURE [SEED]
        FOLDER/NAME.fa, NAME.ss2 and NAME.mtx for one protein whose intended
        secondary structure is STRUCTURE (one of H, E, C per residue).
    make-protein-inputs.py --random FOLDER COUNT LENGTH [SEED]
        COUNT proteins G00001, G00002, ... of LENGTH residues each: domains of
        helices and strands joined by proline-rich linkers, for benchmarks.
    make-protein-inputs.py --proteome FILE COUNT SHORTEST LONGEST [SEED]
        One FASTA file of COUNT such proteins (sequences only), of SHORTEST to
        LONGEST residues each: a made-up proteome.

The .ss2 file has PSIPRED's layout and probabilities that favour the intended
class; the .mtx file has the layout of a PSI-BLAST checkpoint matrix, with
scores that favour each residue's own letter and its look-alikes. Neither is
the output of those tools. The same arguments and seed give the same files.
"""
import random
import sys

ALPHABET = "ARNDCQEGHILKMFPSTWYV"
# Column letters of a checkpoint matrix row (NCBIstdaa order).
MATRIX_COLUMNS = "-ABCDEFGHIKLMNPQRSTVWXYZU*OJ"
FIXED_COLUMNS = {"-": -32768, "B": -32768, "X": -100, "Z": -32768, "U": -32768, "*": -401, "O": -32768, "J": -32768}
LOOK_ALIKES = ["ILVM", "FYW", "KRH", "DE", "NQ", "ST", "AG", "P", "C"]
# The scoring system's constants, which the header lines of a matrix hold.
MATRIX_HEADER = ["2.913000e-03", "4.150000e-02", "-3.215407e+00", "1.400000e-01",
                 "2.913000e-03", "5.104331e-02", "-2.987154e+00", "1.400000e-01",
                 "3.402115e-03", "1.295508e-01", "-2.039812e+00", "3.987103e-01"]


def look_alike(a, b):
    return any(a in group and b in group for group in LOOK_ALIKES)


def matrix_row(residue, structure, rng):
    # Coil is less conserved than helices and strands: flatter scores.
    spread = 0.6 if structure == "C" else 1.0
    row = []
    for column in MATRIX_COLUMNS:
        if column in FIXED_COLUMNS:
            row.append(FIXED_COLUMNS[column])
        elif column == residue:
            row.append(int(rng.uniform(420, 650) * spread))
        elif look_alike(column, residue):
            row.append(int(rng.uniform(20, 200) * spread))
        else:
            row.append(int(rng.uniform(-320, -30) * spread))
    return "".join(f"{score}  " for score in row)


def class_probabilities(structure, rng):
    main = rng.uniform(0.55, 0.98)
    other = rng.uniform(0.0, 1.0 - main)
    rest = max(0.0, 1.0 - main - other)
    order = {"C": (main, other, rest), "H": (other, main, rest), "E": (other, rest, main)}
    return order[structure]


def write_protein(folder, name, sequence, structure, seed):
    if len(sequence) != len(structure) or set(structure) - set("HEC") or set(sequence) - set(ALPHABET):
        sys.exit(f"{name}: the sequence (20 amino acid letters) and the structure (H, E, C) must have one letter per residue")
    rng = random.Random(seed)
    with open(f"{folder}/{name}.fa", "w") as fasta:
        fasta.write(f">{name} made-up protein\n")
        for start in range(0, len(sequence), 60):
            fasta.write(sequence[start:start + 60] + "\n")
    with open(f"{folder}/{name}.ss2", "w") as ss2:
        ss2.write("# PSIPRED VFORMAT (PSIPRED V4.0)\n\n")
        for position, (residue, state) in enumerate(zip(sequence, structure), start=1):
            coil, helix, strand = class_probabilities(state, rng)
            ss2.write(f"{position:4d} {residue} {state}  {coil:6.3f} {helix:6.3f} {strand:6.3f}\n")
    with open(f"{folder}/{name}.mtx", "w") as mtx:
        mtx.write(f"{len(sequence)}\n{sequence}\n")
        mtx.write("".join(line + "\n" for line in MATRIX_HEADER))
        for residue, state in zip(sequence, structure):
            mtx.write(matrix_row(residue, state, rng) + "\n")


def random_protein(length, rng):
    """A sequence and its structure: domains of helices and strands, joined
    by linkers rich in proline, serine, threonine and glycine."""
    letters = {"H": "AELKRQAELLKAIEMRA", "E": "VIVTYKFEVTVRIYV", "C": "GDNPSKGTDNE", "L": "PSTPAPEPSGKTPEPSA"}
    sequence, structure = [], []
    while len(sequence) < length:
        for _ in range(rng.randint(3, 6)):
            kind = rng.choice("HE")
            for state, span in ((kind, rng.randint(5, 18) if kind == "H" else rng.randint(4, 8)), ("C", rng.randint(2, 5))):
                for _ in range(span):
                    sequence.append(rng.choice(letters[state]))
                    structure.append(state)
        for _ in range(rng.randint(8, 25)):
            sequence.append(rng.choice(letters["L"]))
            structure.append("C")
    return "".join(sequence[:length]), "".join(structure[:length])


def main(arguments):
    if len(arguments) in (4, 5) and arguments[0] == "--random":
        folder, count, length = arguments[1], int(arguments[2]), int(arguments[3])
        rng = random.Random(int(arguments[4]) if len(arguments) == 5 else 1)
        for number in range(1, count + 1):
            sequence, structure = random_protein(length, rng)
            write_protein(folder, f"G{number:05d}", sequence, structure, rng.randrange(1 << 30))
    elif len(arguments) in (5, 6) and arguments[0] == "--proteome":
        path, count, shortest, longest = arguments[1], int(arguments[2]), int(arguments[3]), int(arguments[4])
        rng = random.Random(int(arguments[5]) if len(arguments) == 6 else 1)
        with open(path, "w") as fasta:
            for number in range(1, count + 1):
                sequence, _ = random_protein(rng.randint(shortest, longest), rng)
                fasta.write(f">G{number:06d} made-up protein\n")
                fasta.write("".join(sequence[start:start + 60] + "\n" for start in range(0, len(sequence), 60)))
    elif len(arguments) in (4, 5) and not arguments[0].startswith("--"):
        folder, name, sequence, structure = arguments[:4]
        write_protein(folder, name, sequence, structure, int(arguments[4]) if len(arguments) == 5 else 1)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
