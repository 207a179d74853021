#!/usr/bin/python3
"""Trains a linker model from proteins with known domains, chosen by
cross-validation over sequence clusters and by a structural validation set,
and prints the measured figures.

Called by scripts/train-model.sh, which installs what it needs; see there and
the README's "Training a model" for the method. Python fits the weights and
drives; every rule the programs implement (the features, smoothing, calling,
matching, scoring) is the programs' own: the road makes the features and the
scores, SweepLinkerCalls calls and judges every setting, EvaluateLinkers
judges the final reports. Every step is deterministic: the same data and grid
give the same model and the same figures.
"""
import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import time

import numpy as np

FOLDS = 5
TOLERANCE = 20
# Residues of one training set handed to svm-train, a third of them linker
# residues, drawn with a fixed seed: enough for a linear model of a few dozen
# features, and few enough for svm-train to take seconds.
TRAINING_RESIDUES = 12000
# The calling settings searched for every grid line.
SMOOTHINGS = (1, 11, 21, 41)
THRESHOLD_QUANTILES = (0.8, 0.85, 0.9, 0.93, 0.95, 0.96, 0.97, 0.98, 0.99)
OFFSETS = (20,)
RANKS = (1, 2, 3)
MIN_DOMAINS = (20, 30, 45, 60)
# Calls and proteins per step of a calibration: fewer make a step too noisy
# to trust.
CALIBRATION_STEP = 50
CALIBRATION_BINS = (0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0)

START = time.time()


def say(message):
    print(f"[{time.time() - START:7.1f} s] {message}", file=sys.stderr, flush=True)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        last = (result.stdout.strip().splitlines() or result.stderr.strip().splitlines() or ["?"])[-1]
        sys.exit(f"{os.path.basename(command[0])} failed: {last}")
    return result.stdout


# ---------------------------------------------------------------- proteins

class Protein:
    """A protein and its known domains as region-file segments
    (start, end, domain id), positions from 1."""

    def __init__(self, name, sequence, segments, teacher):
        self.name, self.sequence, self.segments, self.teacher = name, sequence, sorted(segments), teacher


def read_family_fasta(path):
    """Records '>ACCESSION_NDOMAINS_START-END START-END ...' then the
    sequence; each range is a domain of its own."""
    proteins, left_out = [], []
    with open(path) as handle:
        lines = [line.rstrip("\r\n") for line in handle]
    header_shape = re.compile(r"^>([A-Za-z0-9]+)_([0-9]+)_([0-9]+-[0-9]+(?: [0-9]+-[0-9]+)*)$")
    for number in range(0, len(lines) - 1, 2):
        match = header_shape.match(lines[number])
        if not match:
            sys.exit(f"{path} line {number + 1}: expected '>ACCESSION_N_START-END ...'")
        domains = [tuple(map(int, pair.split("-"))) for pair in match.group(3).split()]
        sequence = lines[number + 1].strip().upper()
        if len(domains) != int(match.group(2)):
            sys.exit(f"{path} line {number + 1}: the header counts {match.group(2)} domains")
        # A few records hold ranges cut short ('273-4'); they are left out.
        if any(s < 1 or e < s or e > len(sequence) for s, e in domains):
            left_out.append(match.group(1))
            continue
        segments = [(s, e, f"D{k}") for k, (s, e) in enumerate(sorted(domains), 1)]
        proteins.append(Protein(match.group(1), sequence, segments, "family"))
    if left_out:
        say(f"{len(left_out)} records left out, their domain ranges do not fit the sequence: {' '.join(left_out)}")
    return proteins


def read_fasta(path):
    records, name = {}, None
    with open(path) as handle:
        for line in handle:
            line = line.strip()
            if line.startswith(">"):
                name = line[1:].split()[0]
                records[name] = []
            elif line and name is not None:
                records[name].append(line.upper())
    return {name: "".join(parts) for name, parts in records.items()}


def read_region_set(fasta, regions, teacher):
    """A FASTA and its region file (NAME|START,END|DOMAIN|LENGTH|PROTEIN_LENGTH,
    a domain of several segments sharing its id)."""
    sequences = read_fasta(fasta)
    segments = {}
    with open(regions) as handle:
        for number, line in enumerate(handle, 1):
            fields = line.strip().split("|")
            if len(fields) != 5:
                continue
            start, end = map(int, fields[1].split(","))
            segments.setdefault(fields[0], []).append((start, end, fields[2]))
    missing = [name for name in segments if name not in sequences]
    if missing:
        sys.exit(f"{regions}: {len(missing)} proteins without a sequence in {fasta}, first {missing[0]}")
    return [Protein(name, sequences[name], segments[name], teacher) for name in sequences if name in segments]


def drop_whole_chain_records(proteins):
    """A few CASP targets list the whole chain as domain D0 beside its
    domains; that record is no domain of its own, and it overlaps the
    others. Returns how many such records were left out."""
    dropped = 0
    for p in proteins:
        others = [s for s in p.segments if s[2] != "D0"]
        whole = [s for s in p.segments if s[2] == "D0"]
        overlapping = [w for w in whole if any(o[0] <= w[1] and w[0] <= o[1] for o in others)]
        if overlapping:
            p.segments = [s for s in p.segments if s not in overlapping]
            dropped += len(overlapping)
    return dropped


def boundary_count(protein):
    s = protein.segments
    return sum(1 for a, b in zip(s, s[1:]) if a[2] != b[2])


def write_truth(proteins, path):
    """The domains as a region file, the truth EvaluateLinkers and
    SweepLinkerCalls read: with domain ids (--domain-ids) for structural
    domains, whose segments never overlap; one region per domain for the
    family annotations, whose ranges may abut or overlap."""
    with open(path, "w") as out:
        for p in proteins:
            for start, end, domain in p.segments:
                out.write(f"{p.name}|{start},{end}|{domain}|{end - start + 1}|{len(p.sequence)}\n")


def by_domain_ids(teacher):
    return teacher != "family"


def write_fasta(proteins, path):
    with open(path, "w") as out:
        for p in proteins:
            out.write(f">{p.name}\n{p.sequence}\n")


# ------------------------------------------------------------------- folds

def cluster(proteins, work, threads):
    """mmseqs2 clusters at 40% identity over half the length: proteins of
    one cluster share a fold, so no fold is tested on close relatives of its
    training proteins."""
    fasta = os.path.join(work, "all.fa")
    write_fasta(proteins, fasta)
    prefix = os.path.join(work, "clusters")
    if not os.path.exists(prefix + "_cluster.tsv"):
        run(["mmseqs", "easy-cluster", fasta, prefix, os.path.join(work, "mmseqs-tmp"), "--min-seq-id", "0.4",
             "-c", "0.5", "--threads", str(threads), "-v", "1"])
    members = {}
    with open(prefix + "_cluster.tsv") as handle:
        for line in handle:
            representative, member = line.split()
            members.setdefault(representative, []).append(member)
    return list(members.values())


def assign_folds(clusters, names):
    """Largest clusters first, each to the fold with the fewest proteins."""
    clusters = sorted(clusters, key=lambda members: (-len(members), min(members)))
    sizes, fold_of = [0] * FOLDS, {}
    for members in clusters:
        fold = min(range(FOLDS), key=lambda f: (sizes[f], f))
        for name in members:
            fold_of[name] = fold
        sizes[fold] += len(members)
    return np.array([fold_of[name] for name in names])


# ---------------------------------------------------------------- features

def road(bin_dir, options, fasta, work, jobs):
    """linkerkit-predict over a FASTA of many proteins into a fresh work folder."""
    if os.path.exists(work):
        shutil.rmtree(work)
    run([os.path.join(bin_dir, "linkerkit-predict"), "-j", str(jobs), "--work", work] + options + [fasta])


def read_vectors(proteins, work, count):
    """The vector lines of every protein, one row per residue; cached."""
    cache = os.path.join(work, "vectors.npy")
    if os.path.exists(cache):
        return np.load(cache)
    blocks = []
    for p in proteins:
        with open(os.path.join(work, "features", "vectors", p.name + ".vectors")) as handle:
            text = handle.read()
        # Every line holds every feature in order: "LABEL 1:v 2:v ... #QUERY i n".
        text = re.sub(r" \d+:", " ", re.sub(r" #[^\n]*", "", text))
        values = np.array(text.split(), dtype=np.float64).reshape(-1, count + 1)[:, 1:]
        if len(values) != len(p.sequence):
            sys.exit(f"{p.name}: {len(values)} vector lines for {len(p.sequence)} residues")
        blocks.append(values.astype(np.float32))
    matrix = np.concatenate(blocks)
    np.save(cache, matrix)
    return matrix


# ----------------------------------------------------------- model fitting

def linker_labels(proteins, width):
    """1 for residues within `width` of a true boundary, 0 elsewhere."""
    labels = []
    for p in proteins:
        position = np.arange(1, len(p.sequence) + 1)
        label = np.zeros(len(p.sequence), dtype=np.float32)
        s = p.segments
        for a, b in zip(s, s[1:]):
            if a[2] != b[2]:
                label[np.abs(position - (a[1] + b[0]) / 2) <= width] = 1
        labels.append(label)
    return np.concatenate(labels)


def fit_xgboost(folder, labels, matrix, params, seed):
    """Gradient-boosted trees on every linker residue and a fixed-seed
    share of the others, the classes balanced; saved as xgboost.ubj, which
    XGBoost reads far faster than JSON (the same bytes for the same data)."""
    import xgboost
    rng = np.random.default_rng(seed)
    keep = (labels > 0) | (rng.random(len(labels)) < params.get("negatives", 0.3))
    y = labels[keep]
    data = xgboost.DMatrix(matrix[keep], label=y)
    booster = xgboost.train(
        dict(objective="binary:logistic", max_depth=int(params.get("depth", 6)), eta=params.get("eta", 0.1),
             tree_method="hist", nthread=int(params.get("threads", 2)), subsample=0.8, colsample_bytree=0.8,
             min_child_weight=10, scale_pos_weight=float((y == 0).sum() / max((y == 1).sum(), 1)), seed=seed),
        data, int(params.get("trees", 200)))
    os.makedirs(folder, exist_ok=True)
    # XGBoost's save_model does not check its file's close, and a full disk
    # can leave a model cut short without an error: Python's write does.
    path = os.path.join(folder, "xgboost.ubj")
    with open(path + ".part", "wb") as out:
        out.write(booster.save_raw(raw_format="ubj"))
    os.replace(path + ".part", path)
    # A reused work folder may hold an older run's JSON booster, which the
    # road would refuse beside this one.
    if os.path.exists(os.path.join(folder, "xgboost.json")):
        os.remove(os.path.join(folder, "xgboost.json"))


def fit_lsq(folder, labels, matrix, params):
    """A linear discriminant by class-balanced least squares to +1/-1
    labels over every given residue, written as a LIBSVM model: ranges in
    svm-scale's form (features scaled to [-1, 1]) and one weight vector with
    coefficient 1."""
    ridge, weight = params.get("ridge", 1.0), params.get("weight", 1.0)
    matrix = matrix.astype(np.float64)
    target = np.where(labels > 0, 1.0, -1.0)
    low, high = matrix.min(axis=0), matrix.max(axis=0)
    varying = high > low
    span = np.where(varying, high - low, 1.0)
    scaled = np.where(varying, -1.0 + 2.0 * (matrix - low) / span, 0.0)
    positive = target > 0
    # Each class weighs as much as the other, the linker class times weight.
    row_weight = np.where(positive, weight * (~positive).sum() / max(positive.sum(), 1), 1.0)
    design = np.hstack([scaled, np.ones((len(scaled), 1))])
    weighted = design * row_weight[:, None]
    gram = design.T @ weighted + ridge * np.diag(np.append(np.ones(scaled.shape[1]), 0.0))
    solution = np.linalg.solve(gram, weighted.T @ target)
    w, bias = np.where(varying, solution[:-1], 0.0), float(solution[-1])
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "ranges"), "w") as out:
        out.write("x\n-1 1\n" + "".join(f"{k} {low[k - 1]!r} {high[k - 1]!r}\n"
                                         for k in range(1, len(w) + 1) if varying[k - 1]))
    with open(os.path.join(folder, "svm.model"), "w") as out:
        out.write(f"svm_type c_svc\nkernel_type linear\nnr_class 2\nrho {-bias!r}\nlabel 1 -1\ntotal_sv 1\n"
                  "nr_sv 1 0\nSV\n1 " + " ".join(f"{k}:{v!r}" for k, v in enumerate(w, 1) if v != 0.0) + " \n")


def fit_svm(folder, labels, matrix, params, seed):
    """svm-scale ranges and a linear svm-train model on a fixed-seed sample,
    a third of it linker residues."""
    rng = np.random.default_rng(seed)
    rows = np.arange(len(labels))
    positive, negative = rows[labels > 0], rows[labels <= 0]
    take_positive = min(len(positive), TRAINING_RESIDUES // 3)
    take_negative = min(len(negative), TRAINING_RESIDUES - take_positive)
    sample = np.sort(np.concatenate([rng.choice(positive, take_positive, replace=False),
                                     rng.choice(negative, take_negative, replace=False)]))
    os.makedirs(folder, exist_ok=True)
    data = os.path.join(folder, "training.txt")
    with open(data, "w") as out:
        for label, row in zip(labels[sample], matrix[sample]):
            out.write(("+1" if label > 0 else "-1") + "".join(f" {k}:{v:.6f}" for k, v in enumerate(row, 1)) + "\n")
    ranges = os.path.join(folder, "ranges")
    with open(data + ".scaled", "w") as out:
        out.write(run(["svm-scale", "-l", "-1", "-u", "1", "-s", ranges, data]))
    run(["svm-train", "-q", "-t", "0", "-c", str(params.get("cost", 0.1)), "-w1", str(params.get("weight", 1.0)),
         "-e", "0.01", "-m", "400", data + ".scaled", os.path.join(folder, "svm.model")])
    os.remove(data)
    os.remove(data + ".scaled")


def write_model(folder, config, labels, matrix, seed, calling=None, note=None):
    """A model folder: the learner's classifier, the recipe and the
    settings (unsmoothed raw scores unless calling settings are given)."""
    os.makedirs(folder, exist_ok=True)
    if config["learner"] == "xgb":
        fit_xgboost(folder, labels, matrix, config["params"], seed)
    elif config["learner"] == "lsq":
        fit_lsq(folder, labels, matrix, config["params"])
    else:
        fit_svm(folder, labels, matrix, config["params"], seed)
    with open(os.path.join(folder, "index.txt"), "w") as out:
        out.write("".join(track + "\n" for track in config["recipe"]))
    calling = calling or dict(smoothing=1, caller="threshold", threshold="0", offset=0, rank=3, min_domain=40)
    with open(os.path.join(folder, "settings"), "w") as out:
        out.write((f"# {note}\n" if note else "")
                  + f"classifier {'xgboost' if config['learner'] == 'xgb' else 'libsvm'}\nscores raw\n"
                  f"smoothing {calling['smoothing']}\ncaller {calling['caller']}\nthreshold {calling['threshold']}\n"
                  f"rank {calling['rank']}\noffset {calling['offset']}\nmin_domain {calling['min_domain']}\n")


# --------------------------------------------------------------- the sweep

def setting_lines(thresholds):
    lines = []
    for smoothing in SMOOTHINGS:
        for threshold in thresholds:
            for offset in OFFSETS:
                lines += [f"{smoothing} threshold {threshold} {offset} {rank}" for rank in RANKS]
                lines += [f"{smoothing} segment {threshold} {offset} {length}" for length in MIN_DOMAINS]
    return lines


def parse_setting(line):
    smoothing, caller, threshold, offset, value = line.split()
    return dict(smoothing=int(smoothing), caller=caller, threshold=threshold, offset=int(offset),
                rank=int(value) if caller == "threshold" else 3, min_domain=int(value) if caller == "segment" else 40)


def sweep(bin_dir, scores, truth, settings_path, domain_ids, calls=False):
    """SweepLinkerCalls: one row of figures per setting, and with calls the
    calls and proteins of every setting."""
    command = ([os.path.join(bin_dir, "SweepLinkerCalls")] + (["--domain-ids"] if domain_ids else [])
               + (["--calls"] if calls else []))
    text = run(command + [scores, truth, settings_path, str(TOLERANCE)])
    rows, call_lines, protein_lines = [], [], []
    header = None
    for line in text.splitlines():
        fields = line.split("\t") if "\t" in line else line.split()
        if header is None:
            header = [field.lstrip("#") for field in fields]
        elif fields[0] == "call":
            call_lines.append(fields)
        elif fields[0] == "protein":
            protein_lines.append(fields)
        else:
            rows.append(dict(zip(header, fields)))
    return rows, call_lines, protein_lines


def figures_of(row):
    return dict(F1=float(row["F1"]), precision=float(row["precision"]), recall=float(row["recall"]),
                domains=float(row["domain_number_accuracy"]), single=float(row["single_domain_no_call"]))


# ------------------------------------------------------------- calibration

def isotonic_steps(values, outcomes):
    """Pool-adjacent-violators over outcomes sorted by value, then adjacent
    blocks pooled until each holds CALIBRATION_STEP items: (lowest value of
    the block, its mean outcome) rising."""
    if len(values) == 0:
        return [(-math.inf, 0.0)]
    order = np.argsort(values, kind="stable")
    values, outcomes = np.asarray(values)[order], np.asarray(outcomes, dtype=float)[order]
    blocks = []  # [sum, count, lowest value]
    for v, y in zip(values, outcomes):
        blocks.append([y, 1, v])
        while len(blocks) > 1 and (blocks[-2][0] / blocks[-2][1] >= blocks[-1][0] / blocks[-1][1]
                                   or blocks[-2][1] < CALIBRATION_STEP):
            s, c, _ = blocks.pop()
            blocks[-1][0] += s
            blocks[-1][1] += c
    while len(blocks) > 1 and blocks[-1][1] < CALIBRATION_STEP:
        s, c, _ = blocks.pop()
        blocks[-1][0] += s
        blocks[-1][1] += c
    return [(b[2], b[0] / b[1]) for b in blocks]


def apply_steps(steps, value):
    probability = steps[0][1]
    for lowest, p in steps:
        if value >= lowest:
            probability = p
    return probability


def calibration_table(predicted, observed):
    """Rows (bin, calls, mean predicted, observed) over fixed bins."""
    predicted, observed = np.asarray(predicted), np.asarray(observed, dtype=float)
    rows = []
    for low, high in zip(CALIBRATION_BINS, CALIBRATION_BINS[1:]):
        inside = (predicted >= low) & ((predicted < high) if high < 1 else (predicted <= high))
        if inside.any():
            rows.append((f"{low:.1f}-{high:.1f}", int(inside.sum()), float(predicted[inside].mean()),
                         float(observed[inside].mean())))
    return rows


# -------------------------------------------------------------------- main

def read_grid(path):
    """Lines 'LABEL TEACHER LEARNER WIDTH PARAMS TRACKS'; # starts a comment.
    TEACHER: family or cath; LEARNER: xgb, lsq or svm; WIDTH: residues
    within this distance of a true boundary are linker residues; PARAMS:
    key=value,... (xgb: trees, depth, eta, negatives; lsq: ridge, weight;
    svm: cost, weight) or '-'."""
    grid = []
    with open(path) as handle:
        for number, line in enumerate(handle, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if (len(fields) != 6 or fields[1] not in ("family", "cath")
                    or fields[2] not in ("xgb", "lsq", "svm") or not fields[3].isdigit()):
                sys.exit(f"{path} line {number}: expected LABEL family|cath xgb|lsq|svm WIDTH PARAMS TRACKS")
            params = {}
            if fields[4] != "-":
                for pair in fields[4].split(","):
                    key, _, value = pair.partition("=")
                    params[key] = float(value)
            grid.append(dict(label=fields[0], teacher=fields[1], learner=fields[2], width=int(fields[3]),
                             params=params, recipe=fields[5].split(",")))
    return grid


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--family", required=True, help="family-annotated FASTA, domain ranges in the headers")
    parser.add_argument("--cath", required=True, help="structural chains: PREFIX.fa and PREFIX.regions")
    parser.add_argument("--validation", default="", help="structural validation folder (*.fa, *.regions)")
    parser.add_argument("--grid", required=True, help="grid file: one candidate per line")
    parser.add_argument("--model", required=True, help="model folder to write")
    parser.add_argument("--work", required=True, help="work folder; its features and clusters are reused")
    parser.add_argument("--bin", required=True, help="folder of the built programs")
    parser.add_argument("--scales", required=True)
    parser.add_argument("--proteins", type=int, default=0, help="this many proteins of each teacher (a test)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    grid = read_grid(args.grid)
    teachers = {config["teacher"] for config in grid}
    proteins = []
    if "family" in teachers:
        proteins += read_family_fasta(args.family)
    if "cath" in teachers:
        proteins += read_region_set(args.cath + ".fa", args.cath + ".regions", "cath")
    if args.proteins:
        chosen = []
        for teacher in sorted(teachers):
            mine = sorted((p for p in proteins if p.teacher == teacher), key=lambda p: p.name)
            chosen += mine[:: max(len(mine) // args.proteins, 1)][: args.proteins]
        proteins = chosen
    proteins.sort(key=lambda p: p.name)
    if len({p.name for p in proteins}) != len(proteins):
        sys.exit("the teachers share a protein name")
    for teacher in sorted(teachers):
        mine = [p for p in proteins if p.teacher == teacher]
        say(f"{teacher}: {len(mine)} proteins, {sum(boundary_count(p) for p in mine)} boundaries")
    truth = {}
    for teacher in teachers:
        truth[teacher] = os.path.join(args.work, f"truth-{teacher}.regions")
        write_truth([p for p in proteins if p.teacher == teacher], truth[teacher])
    fasta = os.path.join(args.work, "proteins.fa")
    write_fasta(proteins, fasta)
    folds = assign_folds(cluster(proteins, args.work, args.jobs), [p.name for p in proteins])
    say("folds by mmseqs2 clusters at 40% identity: " + " ".join(str(int((folds == f).sum())) for f in range(FOLDS)))

    validation = None
    if args.validation:
        fa = [f for f in sorted(os.listdir(args.validation)) if f.endswith(".fa")]
        rg = [f for f in sorted(os.listdir(args.validation)) if f.endswith(".regions")]
        if len(fa) != 1 or len(rg) != 1:
            sys.exit(f"{args.validation}: expected one .fa and one .regions file")
        validation = dict(fasta=os.path.join(args.validation, fa[0]), regions=os.path.join(args.validation, rg[0]))
        validation["proteins"] = read_region_set(validation["fasta"], validation["regions"], "validation")
        dropped = drop_whole_chain_records(validation["proteins"])
        if dropped:
            say(f"validation: {dropped} whole-chain records (domain D0) overlapping the domains of their chains "
                "left out")
        validation["regions"] = os.path.join(args.work, "validation.regions")
        write_truth(validation["proteins"], validation["regions"])
        say(f"validation: {len(validation['proteins'])} proteins, "
            f"{sum(boundary_count(p) for p in validation['proteins'])} boundaries")

    # Every candidate track of every protein, through the road.
    candidates = sorted({track for config in grid for track in config["recipe"]})
    candidate_model = os.path.join(args.work, "candidates")
    os.makedirs(candidate_model, exist_ok=True)
    recipe = "".join(track + "\n" for track in candidates)
    recipe_path = os.path.join(candidate_model, "index.txt")
    stale = not os.path.exists(recipe_path) or open(recipe_path).read() != recipe
    if stale or not os.path.exists(os.path.join(args.work, "vectors.npy")):
        with open(recipe_path, "w") as out:
            out.write(recipe)
        with open(os.path.join(candidate_model, "settings"), "w") as out:
            out.write("scores raw\n")
        if os.path.exists(os.path.join(args.work, "vectors.npy")):
            os.remove(os.path.join(args.work, "vectors.npy"))
        say(f"features: {len(candidates)} tracks of {len(proteins)} proteins")
        road(args.bin, ["--features-only", "--model", candidate_model, "--scales", args.scales], fasta,
             os.path.join(args.work, "features"), args.jobs)
    matrix = read_vectors(proteins, args.work, len(candidates))
    lengths = np.array([len(p.sequence) for p in proteins])
    protein_of_row = np.repeat(np.arange(len(proteins)), lengths)
    say(f"features: {len(candidates)} tracks of {len(matrix)} residues")

    results = []
    search = open(os.path.join(args.work, "search.tsv"), "w")
    for config in grid:
        results.append(search_line(config, args, proteins, folds, candidates, matrix, protein_of_row, truth,
                                   validation, search))
    search.close()
    chosen = max(results, key=lambda r: r["judged"])
    finish(chosen, results, args, proteins, folds, candidates, matrix, protein_of_row, truth, validation)


def search_line(config, args, proteins, folds, candidates, matrix, protein_of_row, truth, validation, log):
    """One grid line: out-of-fold scores of its teacher's proteins by each
    fold's model through the road, every calling setting swept over them,
    and (with a validation set) the same settings over the validation
    proteins scored by the model of every fold's proteins."""
    label = config["label"]
    folder = os.path.join(args.work, "search", label)
    os.makedirs(folder, exist_ok=True)
    columns = [candidates.index(track) for track in config["recipe"]]
    mine = np.array([p.teacher == config["teacher"] for p in proteins])
    labels = linker_labels(proteins, config["width"])
    scores = os.path.join(folder, "cv-scores.txt")
    if not os.path.exists(scores):
        parts = []
        for fold in range(FOLDS):
            train = np.where(mine[protein_of_row] & (folds[protein_of_row] != fold))[0]
            model = os.path.join(folder, f"fold{fold}")
            write_model(model, config, labels[train], matrix[np.ix_(train, columns)], seed=fold + 1)
            held_out = [p for p, f, m in zip(proteins, folds, mine) if f == fold and m]
            write_fasta(held_out, model + ".fa")
            road(args.bin, ["--scores-only", "--model", model, "--scales", args.scales], model + ".fa",
                 model + ".work", args.jobs)
            with open(os.path.join(model + ".work", "scores.txt")) as handle:
                parts.append(handle.read())
            shutil.rmtree(model + ".work")
            say(f"{label}: fold {fold} scored")
        with open(scores + ".part", "w") as out:
            out.write("".join(parts))
        os.rename(scores + ".part", scores)
    values = np.array([float(line.split(" ", 1)[0]) for line in open(scores)])
    thresholds = sorted({f"{t:.6f}" for t in np.quantile(values[np.isfinite(values)], THRESHOLD_QUANTILES)},
                        key=float)
    settings = os.path.join(folder, "settings.txt")
    with open(settings, "w") as out:
        out.write("\n".join(setting_lines(thresholds)) + "\n")
    cv_rows, _, _ = sweep(args.bin, scores, truth[config["teacher"]], settings, by_domain_ids(config["teacher"]))
    result = dict(config=config, folder=folder, scores=scores, settings=settings, cv=cv_rows, validation=None)
    if validation:
        result["validation_scores"] = os.path.join(folder, "validation-scores.txt")
        if not os.path.exists(result["validation_scores"]):
            full = os.path.join(folder, "all")
            train = np.where(mine[protein_of_row])[0]
            write_model(full, config, labels[train], matrix[np.ix_(train, columns)], seed=0)
            road(args.bin, ["--scores-only", "--model", full, "--scales", args.scales], validation["fasta"],
                 full + ".work", args.jobs)
            shutil.copy(os.path.join(full + ".work", "scores.txt"), result["validation_scores"] + ".part")
            os.rename(result["validation_scores"] + ".part", result["validation_scores"])
            shutil.rmtree(full + ".work")
        result["validation"], _, _ = sweep(args.bin, result["validation_scores"], validation["regions"], settings, True)
    for row, val in zip(cv_rows, result["validation"] or [None] * len(cv_rows)):
        cv, val = figures_of(row), val and figures_of(val)
        log.write(f"{label}\t{row['smoothing']}\t{row['caller']}\t{row['threshold']}\t{row['offset']}\t"
                  f"{row['rank_or_min_domain']}\tcv_F1={cv['F1']:.4f}\tcv_domains={cv['domains']:.4f}"
                  + (f"\tvalidation_F1={val['F1']:.4f}\tvalidation_domains={val['domains']:.4f}" if val else "")
                  + "\n")
    result["best"] = best_setting(result)
    result["judged"] = judgement(result, result["best"])
    row = cv_rows[result["best"]]
    say(f"{label}: best {row['smoothing']} {row['caller']} {row['threshold']} {row['offset']} "
        f"{row['rank_or_min_domain']}: CV F1 {figures_of(row)['F1']:.3f}"
        + (f", validation F1 {figures_of(result['validation'][result['best']])['F1']:.3f}" if validation else ""))
    return result


def judgement(result, k, cv_rows=None):
    """Setting k of a grid line judged by the mean of its cross-validated F1
    (over cv_rows, the line's own sweep unless given) and its validation F1;
    the cross-validated F1 alone without a validation set."""
    cv = figures_of((cv_rows or result["cv"])[k])["F1"]
    return (cv + figures_of(result["validation"][k])["F1"]) / 2 if result["validation"] else cv


def best_setting(result, cv_rows=None, caller=None):
    """The line's best setting (of one caller, when given); the first of
    equals."""
    keys = [k for k, row in enumerate(result["cv"]) if caller is None or row["caller"] == caller]
    return max(keys, key=lambda k: (judgement(result, k, cv_rows), -k), default=None)


def setting_line(result, k):
    return open(result["settings"]).read().splitlines()[k]


def nested_choices(results, chosen, args, proteins, folds, truth):
    """For each fold, the grid line (among those of the chosen line's
    teacher) and setting judged best with that fold's proteins left out of
    the cross-validated part: how much choosing on every fold flatters."""
    teacher = chosen["config"]["teacher"]
    fold_of = {p.name: f for p, f in zip(proteins, folds)}
    choices = []
    for fold in range(FOLDS):
        best = None
        for result in (r for r in results if r["config"]["teacher"] == teacher):
            others = os.path.join(result["folder"], f"cv-scores-without-fold{fold}.txt")
            with open(result["scores"]) as handle, open(others, "w") as out:
                out.writelines(line for line in handle if fold_of[line.split("#", 1)[1].split(" ", 1)[0]] != fold)
            rows, _, _ = sweep(args.bin, others, truth[teacher], result["settings"], by_domain_ids(teacher))
            os.remove(others)
            k = best_setting(result, rows)
            if best is None or judgement(result, k, rows) > best[0]:
                best = (judgement(result, k, rows), result, k)
        _, result, k = best
        choices.append((result, parse_setting(setting_line(result, k))))
        say(f"nested, fold {fold}: {result['config']['label']} {setting_line(result, k)}")
    return choices


def finish(chosen, results, args, proteins, folds, candidates, matrix, protein_of_row, truth, validation):
    config, k = chosen["config"], chosen["best"]
    calling = parse_setting(setting_line(chosen, k))
    one = os.path.join(chosen["folder"], "chosen-setting.txt")
    with open(one, "w") as out:
        out.write(setting_line(chosen, k) + "\n")

    # Calibration: the out-of-fold calls of the chosen setting, each with
    # whether it matched a true boundary; cross-fitted (steps learnt on four
    # folds' calls, applied to the fifth's) for the table, and on all calls
    # for the model.
    _, calls, protein_rows = sweep(args.bin, chosen["scores"], truth[config["teacher"]], one,
                                   by_domain_ids(config["teacher"]), calls=True)
    fold_of = {p.name: f for p, f in zip(proteins, folds)}
    peaks = np.array([float(c[4]) for c in calls])
    matched = np.array([int(c[5]) for c in calls])
    call_fold = np.array([fold_of[c[2]] for c in calls])
    highest = np.array([float(r[4]) if r[4] != "nan" else -math.inf for r in protein_rows])
    several = np.array([int(r[3]) > 1 for r in protein_rows])
    protein_fold = np.array([fold_of[r[2]] for r in protein_rows])
    predicted = np.empty(len(calls))
    for fold in range(FOLDS):
        steps = isotonic_steps(peaks[call_fold != fold], matched[call_fold != fold])
        predicted[call_fold == fold] = [apply_steps(steps, v) for v in peaks[call_fold == fold]]
    cv_table = calibration_table(predicted, matched)
    linker_steps = isotonic_steps(peaks, matched)
    protein_steps = isotonic_steps(highest, several)
    protein_predicted = np.empty(len(protein_rows))
    for fold in range(FOLDS):
        steps = isotonic_steps(highest[protein_fold != fold], several[protein_fold != fold])
        protein_predicted[protein_fold == fold] = [apply_steps(steps, v) for v in highest[protein_fold == fold]]
    validation_table = None
    if validation:
        _, vcalls, _ = sweep(args.bin, chosen["validation_scores"], validation["regions"], one, True, calls=True)
        validation_table = calibration_table([apply_steps(linker_steps, float(c[4])) for c in vcalls],
                                             [int(c[5]) for c in vcalls])

    # The shipped model: the chosen line trained on all its teacher's
    # proteins, with the chosen calling settings and the calibration.
    columns = [candidates.index(track) for track in config["recipe"]]
    mine = np.array([p.teacher == config["teacher"] for p in proteins])
    train = np.where(mine[protein_of_row])[0]
    labels = linker_labels(proteins, config["width"])
    note = (f"{config['label']}: {config['learner']} ({','.join(f'{k}={v:g}' for k, v in config['params'].items())})"
            f" on the {config['teacher']} proteins, linker label +-{config['width']} residues of a boundary")
    if os.path.exists(args.model):
        for name in ("svm.model", "ranges", "xgboost.ubj", "xgboost.json", "calibration"):
            if os.path.exists(os.path.join(args.model, name)):
                os.remove(os.path.join(args.model, name))
    write_model(args.model, config, labels[train], matrix[np.ix_(train, columns)], seed=0, calling=calling,
                note=note)
    with open(os.path.join(args.model, "calibration"), "w") as out:
        out.write(f"# {note}\n# linker: a call whose peak score is at least FROM lies within +-{TOLERANCE} of a "
                  "true boundary with PROBABILITY\n"
                  "# protein: a protein whose highest score is at least FROM has more than one domain with "
                  "PROBABILITY\n# learnt by isotonic regression on the out-of-fold calls of cross-validation\n")
        for kind, steps in (("linker", linker_steps), ("protein", protein_steps)):
            for k2, (lowest, p) in enumerate(steps):
                out.write(f"{kind} {'-inf' if k2 == 0 else f'{lowest:.6f}'} {p:.4f}\n")

    # The chosen setting's figures again through the programs a user runs:
    # each fold's model over its own proteins by the road, the reports
    # joined and judged by EvaluateLinkers.
    # The sweep smooths the score file's six-decimal values, the road the
    # classifier's own; a call on the threshold's very edge may differ, but
    # no more than that.
    measured = measure_with_road([(chosen, calling)] * FOLDS, "cv", args, truth)
    swept = figures_of(chosen["cv"][k])
    if abs(measured["F1"] - swept["F1"]) > 0.005 or abs(measured["domains"] - swept["domains"]) > 0.005:
        sys.exit(f"the sweep ({swept}) and the road ({measured}) disagree on the chosen setting")
    nested = measure_with_road(nested_choices(results, chosen, args, proteins, folds, truth), "nested", args, truth)
    baselines = {config["teacher"]: baseline_figures([p for p in proteins if p.teacher == config["teacher"]],
                                                     truth[config["teacher"]], by_domain_ids(config["teacher"]),
                                                     os.path.join(args.work, "baseline-cv"), args.bin)}
    if validation:
        baselines["validation"] = baseline_figures(validation["proteins"], validation["regions"], True,
                                                   os.path.join(args.work, "baseline-validation"), args.bin)

    lines = report_lines(chosen, results, calling, measured, nested, baselines, cv_table, validation_table,
                         validation, protein_predicted, several)
    with open(os.path.join(args.model, "figures.md"), "w") as out:
        out.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    say(f"model: {args.model}")


def measure_with_road(choices, name, args, truth):
    """Each fold's proteins run by the road with its choice (a grid line's
    model of that fold and a calling setting), the reports joined and judged
    by EvaluateLinkers."""
    teacher = choices[0][0]["config"]["teacher"]
    reports = []
    for fold, (result, calling) in enumerate(choices):
        model = os.path.join(result["folder"], f"fold{fold}")
        options = ["--model", model, "--scales", args.scales, "--smoothing", str(calling["smoothing"]),
                   "--caller", calling["caller"], "--threshold", calling["threshold"], "--offset",
                   str(calling["offset"]), "--rank", str(calling["rank"]), "--min-domain", str(calling["min_domain"])]
        road(args.bin, options, model + ".fa", model + ".measure", args.jobs)
        with open(os.path.join(model + ".measure", "report.txt")) as handle:
            reports += [line for line in handle if line.strip() != "No prediction"]
        shutil.rmtree(model + ".measure")
    report = os.path.join(args.work, f"{name}-report.txt")
    with open(report, "w") as out:
        out.write("".join(reports))
    result, table = evaluate(args.bin, report, truth[teacher], by_domain_ids(teacher))
    with open(os.path.join(args.work, f"{name}-evaluation.tsv"), "w") as out:
        out.write(table)
    return result


def evaluate(bin_dir, report, truth, domain_ids):
    """EvaluateLinkers' totals of a report."""
    table = run([os.path.join(bin_dir, "EvaluateLinkers")] + (["--domain-ids"] if domain_ids else [])
                + [report, truth, str(TOLERANCE)])
    result = {}
    for line in table.splitlines():
        fields = line.split("\t")
        if fields[0] == "total":
            for field in fields[1:]:
                key, _, value = field.partition("=")
                result[key] = float(value)
        elif fields[0] == "domain_number_accuracy":
            result["domains"] = float(fields[1])
    return result, table


def baseline_figures(proteins, truth, domain_ids, folder, bin_dir):
    """No linker at all, and one boundary at the middle of every protein
    longer than 200 residues, judged by EvaluateLinkers."""
    os.makedirs(folder, exist_ok=True)
    none, middle = os.path.join(folder, "none.txt"), os.path.join(folder, "middle.txt")
    with open(none, "w") as out:
        out.write("No prediction\n")
    with open(middle, "w") as out:
        for p in sorted(proteins, key=lambda p: p.name, reverse=True):
            n = len(p.sequence)
            if n > 200:
                start, end = (n - 1) // 2, n // 2
                out.write(f"{p.name}|{start},{end}|{end - start + 1}|1.000000|{n}|{start}|1\n")
    singles = [p for p in proteins if boundary_count(p) == 0]
    results = {}
    for label, report in (("no linker at all", none), ("one boundary mid-chain when longer than 200", middle)):
        result, _ = evaluate(bin_dir, report, truth, domain_ids)
        called = set()
        with open(report) as handle:
            called = {line.split("|", 1)[0] for line in handle if "|" in line}
        result["single"] = sum(p.name not in called for p in singles) / max(len(singles), 1)
        results[label] = result
    return results


def report_lines(chosen, results, calling, measured, nested, baselines, cv_table, validation_table, validation,
                 protein_predicted, several):
    config = chosen["config"]
    lines = [f"grid line chosen: {config['label']} ({config['learner']} on the {config['teacher']} proteins, "
             f"label +-{config['width']}); calling: smoothing {calling['smoothing']}, caller {calling['caller']}, "
             f"threshold {calling['threshold']}, offset {calling['offset']}, "
             + (f"rank {calling['rank']}" if calling["caller"] == "threshold" else f"min_domain {calling['min_domain']}"),
             f"tolerance +-{TOLERANCE}, {FOLDS} folds by mmseqs2 40% clusters; CV figures on each line's own "
             "teacher's proteins" + (f"; validation: {len(validation['proteins'])} proteins" if validation else ""),
             "", "| Grid line | Caller | CV F1 | CV precision | CV recall | CV domain-number accuracy | "
             "CV single-domain without a call |" + (" Validation F1 | Validation precision | Validation recall | "
                                                    "Validation domain-number accuracy | Validation single-domain "
                                                    "without a call |" if validation else ""),
             "|---|---|---|---|---|---|---|" + ("---|---|---|---|---|" if validation else "")]
    for label, cv in baselines[config["teacher"]].items():
        line = (f"| baseline: {label} | - | {cv['F1']:.3f} | {cv['precision']:.3f} | {cv['recall']:.3f} | "
                f"{cv['domains']:.3f} | {cv['single']:.3f} |")
        if validation:
            val = baselines["validation"][label]
            line += (f" {val['F1']:.3f} | {val['precision']:.3f} | {val['recall']:.3f} | {val['domains']:.3f} | "
                     f"{val['single']:.3f} |")
        lines.append(line)
    for result in results:
        for caller in ("threshold", "segment"):
            best = best_setting(result, caller=caller)
            if best is None:
                continue
            cv = figures_of(result["cv"][best])
            line = (f"| {result['config']['label']} | {caller} | {cv['F1']:.3f} | {cv['precision']:.3f} | "
                    f"{cv['recall']:.3f} | {cv['domains']:.3f} | {cv['single']:.3f} |")
            if validation:
                val = figures_of(result["validation"][best])
                line += (f" {val['F1']:.3f} | {val['precision']:.3f} | {val['recall']:.3f} | {val['domains']:.3f} | "
                         f"{val['single']:.3f} |")
            lines.append(line)
    lines += ["", f"chosen setting through the road and EvaluateLinkers: F1 {measured['F1']:.3f}, precision "
              f"{measured['precision']:.3f}, recall {measured['recall']:.3f}, domain-number accuracy "
              f"{measured['domains']:.3f}",
              "", f"grid line (of the same teacher) and calling setting chosen without each fold, run by the road "
              f"over it and judged by EvaluateLinkers: F1 {nested['F1']:.3f}, precision {nested['precision']:.3f}, "
              f"recall {nested['recall']:.3f}, domain-number accuracy {nested['domains']:.3f}",
              "", "Linker confidence, cross-fitted on the out-of-fold calls:", "",
              "| Predicted | Calls | Mean predicted | Observed |", "|---|---|---|---|"]
    lines += [f"| {b} | {n} | {p:.3f} | {o:.3f} |" for b, n, p, o in cv_table]
    if validation_table is not None:
        lines += ["", "Linker confidence on the validation set:", "", "| Predicted | Calls | Mean predicted | Observed |",
                  "|---|---|---|---|"]
        lines += [f"| {b} | {n} | {p:.3f} | {o:.3f} |" for b, n, p, o in validation_table]
    decided = np.asarray(protein_predicted) >= 0.5
    lines += ["", f"more than one domain, protein probability >= 0.5 (cross-fitted): accuracy "
              f"{(decided == several).mean():.3f}, precision "
              f"{(several[decided].mean() if decided.any() else 0):.3f}, against {1 - several.mean():.3f} for "
              "'always one domain'"]
    return lines


if __name__ == "__main__":
    main()
