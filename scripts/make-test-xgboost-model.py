#!/usr/bin/python3
"""Writes the tiny XGBoost model the tests score with, and what Python scores.

    make-test-xgboost-model.py [FOLDER]    (default: tests/data beside this script)

FOLDER/tiny.xgboost.json is a binary:logistic booster of four trees of depth
two over three features, trained on made-up data as the lead engineer trains
the real models (booster.save_model); FOLDER/tiny.xgboost.ubj is the same
booster saved as UBJSON, as the shipped models are. FOLDER/tiny.xgboost.vectors
holds vector lines of one protein: the values around every split condition of
the model (on it, just below and just above it) and a few ordinary ones.
FOLDER/tiny.xgboost.margins holds, one per line, the margin Python gives for
each vector line, booster.predict(DMatrix(X), output_margin=True), printed
with nine significant digits (a float's every bit). The tests compare
ClassifyFeatureRows with these files, so they never need Python; run this
again only to change the model. The same script gives the same files.
Needs Debian's python3-xgboost and python3-numpy.
"""
import json
import os
import sys

import numpy as np
import xgboost as xgb

FEATURES = 3


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "data")
    random = np.random.default_rng(20240613)
    # Values of 0 to 1, as the chain-position tracks give; the label depends
    # on two features and a little noise, so the trees split on all three.
    train = random.uniform(0.0, 1.0, size=(400, FEATURES))
    labels = ((train[:, 0] < 0.3) ^ (train[:, 1] > 0.6) | (train[:, 2] > 0.9)).astype(int)
    labels ^= (random.uniform(size=len(labels)) < 0.05).astype(int)
    booster = xgb.train({"objective": "binary:logistic", "max_depth": 2, "eta": 0.5, "nthread": 1,
                         "tree_method": "exact", "seed": 0}, xgb.DMatrix(train, label=labels), num_boost_round=4)
    model_path = os.path.join(folder, "tiny.xgboost.json")
    booster.save_model(model_path)
    booster.save_model(os.path.join(folder, "tiny.xgboost.ubj"))

    # Every split condition, as a float32 the way XGBoost compares it, with
    # its neighbours: a value equal to the condition goes to the right child.
    with open(model_path) as model:
        trees = json.load(model)["learner"]["gradient_booster"]["model"]["trees"]
    rows = []
    for tree in trees:
        for node, left in enumerate(tree["left_children"]):
            if left == -1:
                continue
            condition = np.float32(tree["split_conditions"][node])
            feature = tree["split_indices"][node]
            for value in (np.nextafter(condition, np.float32(-np.inf)), condition,
                          np.nextafter(condition, np.float32(np.inf))):
                row = [0.5] * FEATURES
                row[feature] = float(value)
                rows.append(row)
    rows += random.uniform(-0.2, 1.2, size=(8, FEATURES)).tolist()
    rows.append([0.0] * FEATURES)
    values = np.array(rows, dtype=np.float64)
    margins = booster.predict(xgb.DMatrix(values), output_margin=True)

    with open(os.path.join(folder, "tiny.xgboost.vectors"), "w") as vectors:
        for position, row in enumerate(values):
            pairs = " ".join(f"{k + 1}:{float(np.float32(v)):.9g}" for k, v in enumerate(row))
            vectors.write(f"0 {pairs} #QUERY {position} {len(values)}\n")
    with open(os.path.join(folder, "tiny.xgboost.margins"), "w") as out:
        for margin in margins:
            out.write(f"{float(margin):.9g}\n")


if __name__ == "__main__":
    main()
