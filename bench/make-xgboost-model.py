#!/usr/bin/python3
"""Writes a model folder with an XGBoost classifier, for timing the road.

    make-xgboost-model.py FOLDER [TREES] [DEPTH]    (300 trees of depth 6 by default)

FOLDER gets index.txt (twenty tracks made from the sequence alone: the
sequence model's eighteen and two more residue scales), settings
(classifier xgboost) and xgboost.ubj, a binary:logistic booster trained on
random features and labels, so that every tree grows to its full depth: the
size and cost of a real model, and no predictor; saved as UBJSON, as the
shipped model is. Needs Debian's
python3-xgboost and python3-numpy.
"""
import os
import sys

import numpy as np
import xgboost as xgb

TRACKS = ["SUYM030101_15", "SUYM030101_41", "BAEK050101_15", "BAEK050101_41", "GEOR030101_15", "GEOR030101_41",
          "GEOR030109_15", "KYTJ820101_15", "KYTJ820101_41", "BHAR880101_15", "CHOP780101_15", "SeqComplexity_15",
          "SeqComplexity_41", "Terminus_50", "Terminus_100", "Terminus_200", "ChainLength_500", "ChainLength_1000",
          "GEOR030104_15", "CHOP780101_41"]


def main():
    folder = sys.argv[1]
    trees = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    depth = int(sys.argv[3]) if len(sys.argv) > 3 else 6
    os.makedirs(folder, exist_ok=True)
    random = np.random.default_rng(5)
    features = random.uniform(0.0, 1.0, size=(100000, len(TRACKS)))
    labels = random.integers(0, 2, size=len(features))
    booster = xgb.train({"objective": "binary:logistic", "max_depth": depth, "eta": 0.05, "tree_method": "hist", "lambda": 0.01, "min_child_weight": 0,
                         "nthread": 2, "seed": 0}, xgb.DMatrix(features, label=labels), num_boost_round=trees)
    booster.save_model(os.path.join(folder, "xgboost.ubj"))
    with open(os.path.join(folder, "index.txt"), "w") as index:
        index.write("".join(track + "\n" for track in TRACKS))
    with open(os.path.join(folder, "settings"), "w") as settings:
        settings.write("classifier xgboost\nscores zscore\nsmoothing 15\nthreshold 1.0\nrank 3\noffset 10\n")


if __name__ == "__main__":
    main()
