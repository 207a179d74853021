#!/usr/bin/python3
"""Trains a linker model from proteins with known domains, chosen by
cross-validation over sequence clusters, and prints the measured figures.

Called by scripts/train-model.sh, which installs what it needs; see there and
the README's "Training a model" for the method. Every step is deterministic:
the same data and grid give the same model and the same figures.
"""
import argparse
import concurrent.futures
import os
import re
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

START = time.time()


def say(message):
    print(f"[{time.time() - START:7.1f} s] {message}", file=sys.stderr, flush=True)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        last = (result.stdout.strip().splitlines() or result.stderr.strip().splitlines() or ["?"])[-1]
        sys.exit(f"{command[0]} failed: {last}")
    return result.stdout


# ---------------------------------------------------------------- proteins

class Protein:
    def __init__(self, name, sequence, domains):
        self.name, self.sequence, self.domains = name, sequence, domains
        ends = sorted(domains)
        # A boundary lies midway between consecutive domains (1-based).
        self.boundaries = [(ends[i][1] + ends[i + 1][0]) / 2 for i in range(len(ends) - 1)]


def read_training_fasta(path):
    """Records '>ACCESSION_NDOMAINS_START-END START-END ...' then the sequence."""
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
        proteins.append(Protein(match.group(1), sequence, domains))
    if left_out:
        say(f"{len(left_out)} records left out, their domain ranges do not fit the sequence: {' '.join(left_out)}")
    return proteins


def write_truth(proteins, path):
    """The domains as a region file, the truth EvaluateLinkers reads."""
    with open(path, "w") as out:
        for p in proteins:
            for start, end in sorted(p.domains):
                out.write(f"{p.name}|{start},{end}|domain|{end - start + 1}|{len(p.sequence)}\n")


# ------------------------------------------------------------------- folds

def cluster(proteins, work, threads):
    """mmseqs2 clusters at 40% identity over half the length: proteins of
    one cluster share a fold, so no fold is tested on close relatives of its
    training proteins."""
    fasta = os.path.join(work, "all.fa")
    with open(fasta, "w") as out:
        for p in proteins:
            out.write(f">{p.name}\n{p.sequence}\n")
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

def reprof_all(proteins, work, bin_dir, jobs):
    """reprof for every protein, in batches that load its networks once."""
    folder = os.path.join(work, "reprof")
    os.makedirs(folder, exist_ok=True)
    todo = [p for p in proteins if not os.path.exists(os.path.join(folder, p.name + ".reprof"))]
    say(f"reprof: {len(todo)} of {len(proteins)} proteins to predict")
    batches = [todo[i:i + 200] for i in range(0, len(todo), 200)]

    def one(batch):
        arguments = []
        for p in batch:
            arguments += [os.path.join(work, "seqs", p.name + ".fa"), os.path.join(folder, p.name + ".reprof")]
        run([os.path.join(bin_dir, "linkerkit-reprof")] + arguments)

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for done, _ in enumerate(pool.map(one, batches), 1):
            say(f"reprof: {min(done * 200, len(todo))} of {len(todo)} proteins")


def protein_work(work, name):
    """A protein's work folder: linkerkit-predict --features-only --keep-work
    leaves its vector lines and its tracks there."""
    return os.path.join(work, "proteins", name)


def vectors_path(work, name):
    return os.path.join(protein_work(work, name), "vectors", name + ".vectors")


def tracks_folder(work, name):
    return os.path.join(protein_work(work, name), "proteins", name, "feat") + "/"


def features(proteins, work, bin_dir, candidates, scales, jobs, with_reprof):
    """Every candidate track of every protein through linkerkit-predict
    --features-only, so training sees exactly the values prediction makes."""
    def one(p):
        if os.path.exists(vectors_path(work, p.name)):
            return
        command = [os.path.join(bin_dir, "linkerkit-predict"), "--features-only", "--keep-work", "-j", "1",
                   "--model", candidates, "--scales", scales, "--name", p.name, "--work", protein_work(work, p.name)]
        if with_reprof:
            command += ["--reprof", os.path.join(work, "reprof", p.name + ".reprof")]
        run(command + [os.path.join(work, "seqs", p.name + ".fa")])

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for done, _ in enumerate(pool.map(one, proteins), 1):
            if done % 500 == 0:
                say(f"features: {done} of {len(proteins)} proteins")


def read_vectors(proteins, work, count):
    cache = os.path.join(work, "vectors.npy")
    if os.path.exists(cache):
        return np.load(cache)
    rows = []
    for p in proteins:
        with open(vectors_path(work, p.name)) as handle:
            for line in handle:
                fields = line.split("#", 1)[0].split()[1:]
                rows.append([float(field.split(":", 1)[1]) for field in fields])
        if len(rows) and len(rows[-1]) != count:
            sys.exit(f"{p.name}: vector lines of {len(rows[-1])} features, expected {count}")
    matrix = np.array(rows, dtype=np.float64)
    np.save(cache, matrix)
    return matrix


# ----------------------------------------------------------- model fitting

def linker_labels(proteins, width):
    """+1 for residues within `width` of a true boundary, -1 elsewhere."""
    labels = []
    for p in proteins:
        position = np.arange(1, len(p.sequence) + 1)
        label = -np.ones(len(p.sequence))
        for boundary in p.boundaries:
            label[np.abs(position - boundary) <= width] = 1
        labels.append(label)
    return np.concatenate(labels)


def training_sample(labels, rows, seed):
    """A fixed-seed sample of rows, a third linker residues, sorted."""
    rng = np.random.default_rng(seed)
    positive = rows[labels[rows] > 0]
    negative = rows[labels[rows] < 0]
    take_positive = min(len(positive), TRAINING_RESIDUES // 3)
    take_negative = min(len(negative), TRAINING_RESIDUES - take_positive)
    return np.sort(np.concatenate([rng.choice(positive, take_positive, replace=False),
                                   rng.choice(negative, take_negative, replace=False)]))


def write_svm_file(path, labels, matrix):
    with open(path, "w") as out:
        for label, row in zip(labels, matrix):
            out.write(("+1" if label > 0 else "-1") + "".join(f" {k}:{v:.6f}" for k, v in enumerate(row, 1)) + "\n")


def train_svm(folder, labels, matrix, cost, weight):
    """svm-scale ranges and a linear svm-train model in folder; returns the
    decision function as (weights over unscaled features, bias)."""
    os.makedirs(folder, exist_ok=True)
    data = os.path.join(folder, "training.txt")
    write_svm_file(data, labels, matrix)
    ranges = os.path.join(folder, "ranges")
    scaled = run(["svm-scale", "-l", "-1", "-u", "1", "-s", ranges, data])
    with open(data + ".scaled", "w") as out:
        out.write(scaled)
    model = os.path.join(folder, "svm.model")
    run(["svm-train", "-q", "-t", "0", "-c", str(cost), "-w1", str(weight), "-e", "0.01", "-m", "400",
         data + ".scaled", model])
    os.remove(data)
    os.remove(data + ".scaled")
    compact_linear_model(model, matrix.shape[1])
    return linear_decision(model, ranges, matrix.shape[1])


def train_lsq(folder, labels, matrix, ridge, weight):
    """A linear discriminant by class-balanced least squares to the +1/-1
    labels over every given residue, written as a LIBSVM model: ranges in
    svm-scale's form (features scaled to [-1, 1]) and one weight vector with
    coefficient 1. Returns the decision function like train_svm."""
    os.makedirs(folder, exist_ok=True)
    low, high = matrix.min(axis=0), matrix.max(axis=0)
    varying = high > low
    span = np.where(varying, high - low, 1.0)
    scaled = np.where(varying, -1.0 + 2.0 * (matrix - low) / span, 0.0)
    positive = labels > 0
    # Each class weighs as much as the other, the linker class times weight.
    row_weight = np.where(positive, weight * (~positive).sum() / max(positive.sum(), 1), 1.0)
    design = np.hstack([scaled, np.ones((len(scaled), 1))])
    weighted = design * row_weight[:, None]
    gram = design.T @ weighted + ridge * np.diag(np.append(np.ones(scaled.shape[1]), 0.0))
    solution = np.linalg.solve(gram, weighted.T @ labels)
    w, bias = np.where(varying, solution[:-1], 0.0), float(solution[-1])
    ranges = os.path.join(folder, "ranges")
    with open(ranges, "w") as out:
        out.write("x\n-1 1\n" + "".join(f"{k} {low[k - 1]!r} {high[k - 1]!r}\n"
                                         for k in range(1, len(w) + 1) if varying[k - 1]))
    model = os.path.join(folder, "svm.model")
    with open(model, "w") as out:
        out.write(f"svm_type c_svc\nkernel_type linear\nnr_class 2\nrho {-bias!r}\nlabel 1 -1\ntotal_sv 1\n"
                  "nr_sv 1 0\nSV\n1 " + " ".join(f"{k}:{v!r}" for k, v in enumerate(w, 1) if v != 0.0) + " \n")
    return linear_decision(model, ranges, matrix.shape[1])


def train_linear(folder, config, labels, matrix, rows, columns, seed):
    """The configuration's learner on the given residues and features."""
    if config["learner"] == "lsq":
        return train_lsq(folder, labels[rows], matrix[np.ix_(rows, columns)], config["cost"], config["weight"])
    sample = training_sample(labels, rows, seed)
    return train_svm(folder, labels[sample], matrix[np.ix_(sample, columns)], config["cost"], config["weight"])


def compact_linear_model(path, count):
    """Rewrites a linear model's support vectors as their weighted sum, one
    vector with coefficient 1: the same decision function, and scoring a
    residue costs one dot product instead of one per support vector."""
    header_lines, w = read_linear_model(path, count)
    header = [line for line in header_lines if not line.startswith(("total_sv", "nr_sv"))]
    # The one vector counts as the first label's; coefficients carry the sign.
    header += ["total_sv 1", "nr_sv 1 0", "SV"]
    vector = " ".join(f"{k}:{v!r}" for k, v in enumerate(w, 1) if v != 0.0)
    with open(path, "w") as out:
        out.write("\n".join(header) + "\n1 " + vector + " \n")


def read_linear_model(path, count):
    """A linear LIBSVM model's header lines (up to SV) and its support
    vectors summed with their coefficients into one weight vector."""
    with open(path) as handle:
        lines = handle.read().splitlines()
    at = lines.index("SV")
    w = np.zeros(count)
    for line in lines[at + 1:]:
        fields = line.split()
        for pair in fields[1:]:
            k, v = pair.split(":")
            w[int(k) - 1] += float(fields[0]) * float(v)
    return lines[:at], w


def linear_decision(model_path, ranges_path, count):
    """w and b with decision(x) = w.x + b, larger meaning linker, for the
    unscaled features: the linear model folded with its feature ranges."""
    header_lines, w = read_linear_model(model_path, count)
    header = dict(line.partition(" ")[::2] for line in header_lines)
    bias = -float(header["rho"])
    if header["label"].split()[0] != "1":
        w, bias = -w, -bias
    lower, upper, low, high = read_ranges(ranges_path, count)
    span = np.where(high > low, high - low, 1.0)
    slope = np.where(high > low, (upper - lower) / span, 0.0)
    offset = np.where(high > low, lower - low * slope, 0.0)
    return w * slope, bias + float(w @ offset)


def read_ranges(path, count):
    with open(path) as handle:
        lines = handle.read().splitlines()
    at = lines.index("x")
    lower, upper = map(float, lines[at + 1].split())
    low, high = np.zeros(count), np.zeros(count)
    for line in lines[at + 2:]:
        k, a, b = line.split()
        low[int(k) - 1], high[int(k) - 1] = float(a), float(b)
    return lower, upper, low, high


# ------------------------------------------------------ scoring and calling

def smooth_clipped(values, starts, ws):
    """Mean over the centred window clipped at each protein's ends."""
    half = ws // 2
    out = np.empty_like(values)
    for begin, end in zip(starts[:-1], starts[1:]):
        segment = values[begin:end]
        sums = np.concatenate([[0.0], np.cumsum(segment)])
        index = np.arange(end - begin)
        low = np.maximum(index - half, 0)
        high = np.minimum(index + half + 1, end - begin)
        out[begin:end] = (sums[high] - sums[low]) / (high - low)
    return out


class Caller:
    """Linker calls as ReportDomainHinges makes them, for many settings."""

    def __init__(self, proteins, starts):
        self.proteins, self.starts = proteins, starts
        lengths = np.diff(starts)
        self.length = np.repeat(lengths, lengths)
        self.position = np.arange(starts[-1]) - np.repeat(starts[:-1], lengths)
        self.protein = np.repeat(np.arange(len(proteins)), lengths)

    def calls(self, scores, threshold, rank, offset):
        """Predicted boundaries (1-based) per protein."""
        inside = (self.position > offset) & (self.length - self.position > offset)
        on = inside & (scores.astype(np.float32) >= np.float32(threshold))
        edges = np.diff(np.concatenate([[0], on.astype(np.int8), [0]]))
        run_starts = np.where(edges == 1)[0]
        run_ends = np.where(edges == -1)[0] - 1
        # Runs never span two proteins: the offset leaves each end out.
        bounds = np.empty(2 * len(run_starts), dtype=np.int64)
        bounds[0::2], bounds[1::2] = run_starts, run_ends + 1
        values = np.append(scores.astype(np.float32), np.float32(-np.inf))
        peaks = np.maximum.reduceat(values, bounds)[0::2] if len(run_starts) else np.array([])
        predicted = [[] for _ in self.proteins]
        order = np.lexsort((-peaks, self.protein[run_starts])) if len(run_starts) else []
        for i in order:
            owner = self.protein[run_starts[i]]
            if len(predicted[owner]) < rank:
                predicted[owner].append((self.position[run_starts[i]] + self.position[run_ends[i]]) / 2 + 1)
        return predicted


def matches(true, predicted):
    pairs = sorted((abs(t - p), t, p, i, j) for i, t in enumerate(true) for j, p in enumerate(predicted)
                   if abs(t - p) <= TOLERANCE)
    used_true, used_predicted, count = set(), set(), 0
    for _, _, _, i, j in pairs:
        if i not in used_true and j not in used_predicted:
            used_true.add(i)
            used_predicted.add(j)
            count += 1
    return count


def figures(proteins, predicted):
    true_count = sum(len(p.boundaries) for p in proteins)
    predicted_count = sum(len(b) for b in predicted)
    matched = sum(matches(p.boundaries, b) for p, b in zip(proteins, predicted))
    domains = sum(len(b) + 1 == len(p.domains) for p, b in zip(proteins, predicted))
    return {
        "F1": 2 * matched / (true_count + predicted_count) if true_count + predicted_count else 0.0,
        "precision": matched / predicted_count if predicted_count else 0.0,
        "recall": matched / true_count if true_count else 0.0,
        "domains": domains / len(proteins),
        "predicted": predicted_count,
    }


# ------------------------------------------------------------ the programs

def descending_names(proteins):
    # The report's order; a run can never reach from P1's lines into P10's.
    return sorted(range(len(proteins)), key=lambda i: proteins[i].name, reverse=True)


def write_score_file(path, proteins, scores_of):
    with open(path, "w") as out:
        for i in descending_names(proteins):
            name, values = proteins[i].name, scores_of(i)
            out.write("".join(f"{v:f} #{name} {k} {len(values)}\n" for k, v in enumerate(values)))


def report_and_evaluate(folder, score_file, truth, bin_dir, threshold, rank, offset):
    """ReportDomainHinges over a score file, then EvaluateLinkers: the
    figures exactly as a user's run would give them."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "options.txt"), "w") as out:
        out.write(f"NormalizedFile = {os.path.abspath(score_file)}\nOutputFile = report.txt\nOffSet = {offset}\n")
    run([os.path.join(bin_dir, "ReportDomainHinges"), "options.txt", str(rank), f"{threshold:f}"], cwd=folder)
    table = run([os.path.join(bin_dir, "EvaluateLinkers"), os.path.join(folder, "report.txt"), truth,
                 str(TOLERANCE)])
    with open(os.path.join(folder, "evaluation.tsv"), "w") as out:
        out.write(table)
    return parse_evaluation(table)


def parse_evaluation(table):
    result = {}
    for line in table.splitlines():
        fields = line.split("\t")
        if fields[0] == "total":
            for field in fields[1:]:
                key, _, value = field.partition("=")
                result[key] = float(value)
        elif fields[0] in ("mean_protein_F1", "domain_number_accuracy"):
            result[fields[0]] = float(fields[1])
    return result


def program_scores(proteins, rows, work, bin_dir, recipe, fold_models, smoothing, jobs):
    """Each protein's scores from its own fold's model, by AssembleFeatureRows
    over its cached tracks and ClassifyFeatureRows."""
    index = os.path.join(work, "chosen-index.txt")
    with open(index, "w") as out:
        out.write("".join(name + "\n" for name in recipe))

    def one(i):
        p = proteins[i]
        vectors = run([os.path.join(bin_dir, "AssembleFeatureRows"), index, tracks_folder(work, p.name)])
        path = os.path.join(protein_work(work, p.name), "chosen.vectors")
        with open(path, "w") as out:
            out.write(vectors)
        model = fold_models[rows[i]]
        scores = run([os.path.join(bin_dir, "ClassifyFeatureRows"), "--ranges", os.path.join(model, "ranges"),
                      "--raw", os.path.join(model, "svm.model"), path, p.name, str(smoothing)])
        os.remove(path)
        return scores

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        return list(pool.map(one, range(len(proteins))))


# ------------------------------------------------------------------ search

THRESHOLD_QUANTILES = (0.8, 0.85, 0.9, 0.92, 0.94, 0.95, 0.96, 0.97, 0.975, 0.98, 0.985, 0.99, 0.995, 0.998)
RANKS = (1, 2, 3)
OFFSETS = (20, 40, 60, 80, 100, 120)
SMOOTHINGS = (1, 11, 21, 41)


def best_calling(caller, proteins, scores, subset=None):
    """The threshold, rank and offset with the best boundary F1 (over the
    proteins in subset, all when None)."""
    chosen = None
    pick = range(len(proteins)) if subset is None else np.where(subset)[0]
    chosen_proteins = [proteins[i] for i in pick]
    # Six decimals: the precision of the score lines ReportDomainHinges reads.
    thresholds = sorted({round(float(t), 6) for t in np.quantile(scores, THRESHOLD_QUANTILES)})
    for threshold in thresholds:
        for offset in OFFSETS:
            for rank in RANKS:
                predicted = caller.calls(scores, threshold, rank, offset)
                result = figures(chosen_proteins, [predicted[i] for i in pick])
                if chosen is None or result["F1"] > chosen[0]["F1"]:
                    chosen = (result, threshold, rank, offset)
    return chosen


def cross_validate(config, matrix, names, proteins, folds, starts, caller, work, log):
    """Out-of-fold decision values of one configuration, then the best
    smoothing and calling settings for them."""
    columns = [names.index(track) for track in config["recipe"]]
    labels = linker_labels(proteins, config["width"])
    protein_of_row = caller.protein
    decision = np.empty(len(matrix))
    for fold in range(FOLDS):
        train_rows = np.where(folds[protein_of_row] != fold)[0]
        w, b = train_linear(os.path.join(work, "search", f"fold{fold}"), config, labels, matrix, train_rows, columns,
                            seed=fold + 1)
        test_rows = np.where(folds[protein_of_row] == fold)[0]
        decision[test_rows] = matrix[np.ix_(test_rows, columns)] @ w + b
    best = None
    for smoothing in SMOOTHINGS:
        scores = smooth_clipped(decision, starts, smoothing) if smoothing > 1 else decision
        result, threshold, rank, offset = best_calling(caller, proteins, scores)
        log.write(f"{config['label']}\tsmoothing={smoothing}\tthreshold={threshold}\trank={rank}\toffset={offset}\t"
                  + "\t".join(f"{k}={v:.4f}" for k, v in result.items()) + "\n")
        log.flush()
        if best is None or result["F1"] > best["figures"]["F1"]:
            best = dict(config=config, smoothing=smoothing, threshold=threshold, rank=rank, offset=offset,
                        figures=result, scores=scores)
    return best


def nested_figures(best, proteins, folds, caller):
    """Calling settings chosen on the other folds' proteins and applied to
    each fold's: how much choosing them on all proteins flatters."""
    predicted = [None] * len(proteins)
    for fold in range(FOLDS):
        _, threshold, rank, offset = best_calling(caller, proteins, best["scores"], subset=folds != fold)
        calls = caller.calls(best["scores"], threshold, rank, offset)
        for i in np.where(folds == fold)[0]:
            predicted[i] = calls[i]
    return figures(proteins, predicted)


# --------------------------------------------------------------- baselines

def middle_baseline(proteins, folder, truth, bin_dir):
    """One boundary at the middle of every protein longer than 200 residues."""
    os.makedirs(folder, exist_ok=True)
    report = os.path.join(folder, "report.txt")
    with open(report, "w") as out:
        for i in descending_names(proteins):
            n = len(proteins[i].sequence)
            if n > 200:
                start, end = (n - 1) // 2, n // 2
                out.write(f"{proteins[i].name}|{start},{end}|{end - start + 1}|1.000000|{n}|{start}|1\n")
    return parse_evaluation(run([os.path.join(bin_dir, "EvaluateLinkers"), report, truth, str(TOLERANCE)]))


def propensity_baseline(proteins, work, truth, bin_dir, scales):
    """SUYM030101 with its sign flipped (low values mark linkers), over 15
    residues, z-scored per protein; runs >= 1.0 at least 10 residues from
    either end, at most 3 per protein."""
    folder = os.path.join(work, "baseline-propensity")
    os.makedirs(folder, exist_ok=True)
    flipped = os.path.join(folder, "SUYM030101-flipped.tsv")
    with open(os.path.join(scales, "SUYM030101.tsv")) as handle, open(flipped, "w") as out:
        for line in handle:
            letter, value = line.split()
            out.write(f"{letter}\t{-float(value):g}\n")
    tracks = {}
    for p in proteins:
        track = run([os.path.join(bin_dir, "ApplyResidueScale"), os.path.join(work, "seqs", p.name + ".fa"), flipped,
                     "15"])
        values = np.array([float(line.split()[0]) for line in track.splitlines()])
        spread = values.std()
        tracks[p.name] = (values - values.mean()) / spread if spread > 0 else np.zeros_like(values)
    score_file = os.path.join(folder, "scores.txt")
    write_score_file(score_file, proteins, lambda i: tracks[proteins[i].name])
    return report_and_evaluate(folder, score_file, truth, bin_dir, 1.0, 3, 10)


# -------------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", required=True, help="training FASTA with domain ranges in the headers")
    parser.add_argument("--grid", required=True, help="grid file: one candidate per line (see train-model.sh)")
    parser.add_argument("--model", required=True, help="model folder to write")
    parser.add_argument("--work", required=True, help="work folder; its tracks and clusters are reused")
    parser.add_argument("--bin", required=True, help="folder of the built programs")
    parser.add_argument("--scales", required=True)
    parser.add_argument("--proteins", type=int, default=0, help="train on this many proteins only (a test)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()

    grid = read_grid(args.grid)
    proteins = read_training_fasta(args.data)
    if args.proteins:
        proteins = sorted(proteins, key=lambda p: p.name)[:: max(len(proteins) // args.proteins, 1)][: args.proteins]
    proteins.sort(key=lambda p: p.name)
    os.makedirs(os.path.join(args.work, "seqs"), exist_ok=True)
    for p in proteins:
        path = os.path.join(args.work, "seqs", p.name + ".fa")
        if not os.path.exists(path):
            with open(path, "w") as out:
                out.write(f">{p.name}\n{p.sequence}\n")
    truth = os.path.join(args.work, "truth.txt")
    write_truth(proteins, truth)
    say(f"{len(proteins)} proteins, {sum(len(p.boundaries) for p in proteins)} boundaries")

    folds = assign_folds(cluster(proteins, args.work, args.jobs), [p.name for p in proteins])
    say("folds by mmseqs2 clusters at 40% identity: " + " ".join(str(int((folds == f).sum())) for f in range(FOLDS)))

    candidates = sorted({track for config in grid for track in config["recipe"]})
    candidate_model = os.path.join(args.work, "candidates")
    os.makedirs(candidate_model, exist_ok=True)
    recipe_path = os.path.join(candidate_model, "index.txt")
    recipe = "".join(track + "\n" for track in candidates)
    if os.path.exists(recipe_path) and open(recipe_path).read() != recipe:
        # A work folder of another grid: its vectors hold other tracks.
        say("the grid's tracks differ from the work folder's: making the vectors again")
        for p in proteins:
            if os.path.exists(vectors_path(args.work, p.name)):
                os.remove(vectors_path(args.work, p.name))
        if os.path.exists(os.path.join(args.work, "vectors.npy")):
            os.remove(os.path.join(args.work, "vectors.npy"))
    with open(recipe_path, "w") as out:
        out.write(recipe)
    with_reprof = any(track.startswith("REPROF_") for track in candidates)
    if with_reprof:
        reprof_all(proteins, args.work, args.bin, args.jobs)
    features(proteins, args.work, args.bin, candidate_model, args.scales, args.jobs, with_reprof)
    matrix = read_vectors(proteins, args.work, len(candidates))
    starts = np.concatenate([[0], np.cumsum([len(p.sequence) for p in proteins])])
    if starts[-1] != len(matrix):
        sys.exit(f"{len(matrix)} vector lines for {starts[-1]} residues")
    caller = Caller(proteins, starts)
    say(f"features: {len(candidates)} tracks of {len(matrix)} residues")

    best = None
    with open(os.path.join(args.work, "search.tsv"), "w") as log:
        for config in grid:
            result = cross_validate(config, matrix, candidates, proteins, folds, starts, caller, args.work, log)
            say(f"{config['label']}: F1 {result['figures']['F1']:.3f} (smoothing {result['smoothing']}, threshold "
                f"{result['threshold']}, rank {result['rank']}, offset {result['offset']})")
            if best is None or result["figures"]["F1"] > best["figures"]["F1"]:
                best = result
    config = best["config"]
    nested = nested_figures(best, proteins, folds, caller)

    # The chosen configuration again, through the programs themselves: each
    # fold's model scores its own proteins with ClassifyFeatureRows, and
    # ReportDomainHinges and EvaluateLinkers give the figures.
    labels = linker_labels(proteins, config["width"])
    columns = [candidates.index(track) for track in config["recipe"]]
    fold_models = []
    for fold in range(FOLDS):
        folder = os.path.join(args.work, "chosen", f"fold{fold}")
        train_rows = np.where(folds[caller.protein] != fold)[0]
        train_linear(folder, config, labels, matrix, train_rows, columns, seed=fold + 1)
        fold_models.append(folder)
    texts = program_scores(proteins, folds, args.work, args.bin, config["recipe"], fold_models, best["smoothing"],
                           args.jobs)
    score_file = os.path.join(args.work, "chosen", "scores.txt")
    order = descending_names(proteins)
    with open(score_file, "w") as out:
        for i in order:
            out.write(texts[i])
    measured = report_and_evaluate(os.path.join(args.work, "chosen"), score_file, truth, args.bin, best["threshold"],
                                   best["rank"], best["offset"])

    middle = middle_baseline(proteins, os.path.join(args.work, "baseline-middle"), truth, args.bin)
    propensity = propensity_baseline(proteins, args.work, truth, args.bin, args.scales)

    # The shipped model: the chosen configuration trained on every protein.
    os.makedirs(args.model, exist_ok=True)
    train_linear(args.model, config, labels, matrix, np.arange(len(matrix)), columns, seed=0)
    with open(os.path.join(args.model, "index.txt"), "w") as out:
        out.write("".join(track + "\n" for track in config["recipe"]))
    with open(os.path.join(args.model, "settings"), "w") as out:
        out.write(f"# {config['label']}: {LEARNERS[config['learner']]} {config['cost']}, linker weight {config['weight']}, "
                  f"linker label +-{config['width']} residues of a boundary\n"
                  f"scores raw\nsmoothing {best['smoothing']}\nthreshold {best['threshold']:f}\n"
                  f"rank {best['rank']}\noffset {best['offset']}\n")

    rows = [
        ("baseline: middle of every protein longer than 200", middle),
        ("baseline: SUYM030101 flipped, z-scored, >= 1.0", propensity),
        (f"{config['label']}, calling chosen on all folds", measured),
        (f"{config['label']}, calling chosen on the other folds", {
            "F1": nested["F1"], "precision": nested["precision"], "recall": nested["recall"],
            "domain_number_accuracy": nested["domains"]}),
    ]
    lines = [f"proteins: {len(proteins)}, boundaries: {sum(len(p.boundaries) for p in proteins)}, "
             f"tolerance +-{TOLERANCE}, {FOLDS} folds by mmseqs2 40% clusters",
             f"chosen: {config['label']} (recipe {','.join(config['recipe'])}; label width {config['width']}; "
             f"{LEARNERS[config['learner']]} {config['cost']}; weight {config['weight']}; smoothing {best['smoothing']}; "
             f"threshold {best['threshold']}; rank {best['rank']}; offset {best['offset']})",
             "| Predictor | F1 | Precision | Recall | Domain-number accuracy |", "|---|---|---|---|---|"]
    for label, result in rows:
        lines.append(f"| {label} | {result['F1']:.3f} | {result['precision']:.3f} | {result['recall']:.3f} | "
                     f"{result['domain_number_accuracy']:.3f} |")
    with open(os.path.join(args.model, "figures.md"), "w") as out:
        out.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    say(f"model: {args.model}")


LEARNERS = {"svm": "linear svm-train, C", "lsq": "class-balanced least squares, ridge"}


def read_grid(path):
    """Lines 'LABEL LEARNER WIDTH COST WEIGHT TRACK,TRACK,...'; # starts a
    comment. LEARNER: svm (svm-train -t 0 -c COST -w1 WEIGHT on a sample)
    or lsq (least squares over every residue, ridge COST, linker weight
    WEIGHT)."""
    grid = []
    with open(path) as handle:
        for number, line in enumerate(handle, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 6 or fields[1] not in LEARNERS:
                sys.exit(f"{path} line {number}: expected LABEL svm|lsq WIDTH COST WEIGHT TRACKS")
            grid.append(dict(label=fields[0], learner=fields[1], width=int(fields[2]), cost=float(fields[3]),
                             weight=float(fields[4]), recipe=fields[5].split(",")))
    return grid


if __name__ == "__main__":
    main()
