#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linkerkit/LoadData.h"
#include "loaders_test_support.h"
#include "test_support.h"

namespace {

using linkerkit::test::Entries;
using linkerkit::test::OwnedClustal;
using linkerkit::test::OwnedMAPSCI;
using linkerkit::test::OwnedROI;
using linkerkit::test::TempDir;
using linkerkit::test::Texts;
using linkerkit::test::WriteFile;

// ---- MAPSCI ----

const char *const kAlignment =
    "MAPSCI consensus alignment\n"
    "rows 5 prots 3\n"
    "row    rmsd   1abcA.pdb   2xyzB.pdb   2xyzC.pdb\n"
    "0   0.50   1   4   7\n"
    "1   0.75   2  -1   8\n"
    "2   1.25   3   5   9\n"
    "3   2.00  -1  -1  10\n"
    "4   0.25   4   6  11\n";

TEST(GetMAPSCI, NamesRowsAndGapFreeCore) {
  TempDir dir;
  WriteFile(dir / "a.txt", kAlignment);
  const OwnedMAPSCI m(GetMAPSCI((dir / "a.txt").c_str(), "2xyz"));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->nprot, 3);
  EXPECT_EQ(m->rows, 5);
  EXPECT_EQ(std::vector<std::string>(m->name, m->name + 3), (std::vector<std::string>{"1abcA", "2xyzB", "2xyzC"}));
  EXPECT_EQ(m->ref, 1);  // the first of the two names that begin with "2xyz"
  EXPECT_EQ(Entries(m->rmsd, 5), (std::vector<double>{0.5, 0.75, 1.25, 2, 0.25, 0}));
  EXPECT_EQ(Entries(m->pos[1], 5), (std::vector<int>{4, -1, 5, -1, 6, 0}));
  EXPECT_EQ(m->pos[3], nullptr);
  ASSERT_EQ(m->ncore, 3);
  EXPECT_EQ(Entries(m->core_rmsd, 3), (std::vector<double>{0.5, 1.25, 0.25, 0}));
  EXPECT_EQ(Entries(m->core[0], 3), (std::vector<int>{1, 3, 4, 0}));
  EXPECT_EQ(Entries(m->core[2], 3), (std::vector<int>{7, 9, 11, 0}));
  EXPECT_EQ(m->core[3], nullptr);
}

TEST(GetMAPSCI, HeaderAndNameRules) {
  TempDir dir;
  // One line may be both header and column header; a name without ".pdb"
  // runs up to a later ".pdb", and every row is gap-free here, including the
  // two rows the file does not supply.
  WriteFile(dir / "b.txt", "rows 4 prots 2 rmsd first second.pdb\nr 1.5 10 20\nr 2.5 11 21\n");
  const OwnedMAPSCI m(GetMAPSCI((dir / "b.txt").c_str(), "sec"));
  ASSERT_TRUE(m);
  EXPECT_EQ(std::vector<std::string>(m->name, m->name + 2), (std::vector<std::string>{"first second", "second"}));
  EXPECT_EQ(m->ref, 1);
  EXPECT_EQ(m->ncore, 4);
  EXPECT_EQ(Entries(m->core[1], 4), (std::vector<int>{20, 21, 0, 0, 0}));
  EXPECT_EQ(Entries(m->core_rmsd, 4), (std::vector<double>{1.5, 2.5, 0, 0, 0}));

  WriteFile(dir / "norows.txt", "prots 2 rmsd a.pdb b.pdb\n");
  WriteFile(dir / "normsd.txt", "rows 1 prots 1\n0 1 1\n");
  WriteFile(dir / "rmsdfirst.txt", "rmsd a.pdb\nrows 1 prots 1\n0 1 1\n");
  for (const char *name : {"norows.txt", "normsd.txt", "rmsdfirst.txt", "missing.txt"}) {
    EXPECT_EQ(GetMAPSCI((dir / name).c_str(), "a"), nullptr) << name;
  }
  WriteFile(dir / "a.txt", kAlignment);
  EXPECT_EQ(GetMAPSCI((dir / "a.txt").c_str(), "3abc"), nullptr);
  EXPECT_EQ(GetMAPSCI((dir / "a.txt").c_str(), "1abcAB"), nullptr);
  ClearMAPSCI(nullptr);
}

TEST(GetMAPSCI, DataBeyondTheArraysIsIgnored) {
  TempDir dir;
  // More names than proteins, more positions than proteins, an empty row
  // line, and more row lines than rows+1.
  WriteFile(dir / "c.txt",
            "rows 2 prots 2\n"
            "x rmsd a.pdb b.pdb c.pdb d.pdb\n"
            "0 1.0 1 2 3 4 5\n"
            "\n"
            "2 3.0 5 6 7\n"
            "3 4.0 8 9\n"
            "4 5.0 8 9\n");
  const OwnedMAPSCI m(GetMAPSCI((dir / "c.txt").c_str(), "c"));
  EXPECT_EQ(m, nullptr);  // "c" is the third name, past the two proteins
  const OwnedMAPSCI b(GetMAPSCI((dir / "c.txt").c_str(), "b"));
  ASSERT_TRUE(b);
  EXPECT_EQ(Entries(b->rmsd, 2), (std::vector<double>{1, 0, 3}));
  EXPECT_EQ(Entries(b->pos[0], 2), (std::vector<int>{1, 0, 5}));
  EXPECT_EQ(b->ncore, 2);

  // Negative counts count nothing.
  WriteFile(dir / "d.txt", "rows -3 prots 1\nx rmsd a.pdb\n0 1.0 1\n");
  const OwnedMAPSCI d(GetMAPSCI((dir / "d.txt").c_str(), "a"));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->rows, 0);
  EXPECT_EQ(d->ncore, 0);
  EXPECT_EQ(Entries(d->pos[0], 0), (std::vector<int>{1}));
  WriteFile(dir / "e.txt", "rows 3 prots -1\nx rmsd a.pdb\n0 1.0 1\n");
  EXPECT_EQ(GetMAPSCI((dir / "e.txt").c_str(), "a"), nullptr);
}

// ---- Regions ----

TEST(GetROI, MarksTheRangesOfTheFirstRunOfKeyLines) {
  TempDir dir;
  WriteFile(dir / "r.txt",
            "2abc|1,2|x|y|30\n"
            "1abc|3,5|x|y|12\n"
            "1abc|10,10|x|y|99\n"
            "1abcd|7,7|x|y|99\n"
            "2abc|1,1|x|y|30\n"
            "1abc|1,1|x|y|12\n");
  const OwnedROI r(GetROI((dir / "r.txt").c_str(), "1abc"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->length, 12);
  std::vector<int> expected(13, 0);
  for (const int position : {2, 3, 4, 9, 6}) expected[position] = 1;  // 1abcd directly follows
  EXPECT_EQ(Entries(r->flag, 12), expected);

  EXPECT_EQ(GetROI((dir / "r.txt").c_str(), "3abc"), nullptr);
  EXPECT_EQ(GetROI((dir / "missing").c_str(), "1abc"), nullptr);
  ClearROI(nullptr);
}

TEST(GetROI, RangesAreClippedToTheSequence) {
  TempDir dir;
  WriteFile(dir / "r.txt",
            "k|-5,2|x|y|6\n"
            "k|5,400|\n"
            "k|4,3|\n"
            "k|6\n"
            "k\n");
  const OwnedROI r(GetROI((dir / "r.txt").c_str(), "k"));
  ASSERT_TRUE(r);
  EXPECT_EQ(Entries(r->flag, 6), (std::vector<int>{1, 1, 0, 0, 1, 1, 0}));

  // A key line without a length field or with a negative one has no positions.
  WriteFile(dir / "short.txt", "k|1,5|x\n");
  WriteFile(dir / "negative.txt", "k|1,5|x|y|-7\n");
  for (const char *name : {"short.txt", "negative.txt"}) {
    const OwnedROI empty(GetROI((dir / name).c_str(), "k"));
    ASSERT_TRUE(empty) << name;
    EXPECT_EQ(empty->length, 0);
    EXPECT_EQ(empty->flag[0], 0);
  }
}

// ---- Clustal ----

TEST(GetClustal, JoinsTheBlocksOfEachSequence) {
  TempDir dir;
  WriteFile(dir / "a.aln",
            "CLUSTAL W (1.81) multiple sequence alignment\n"
            "\n"
            "\n"
            "seqA      MKV-LA 6\n"
            "seqB      MKVILA 6\n"
            "seqC      M--ILA 4\n"
            "          *   **\n"
            "\n"
            "seqA      GG\n"
            "renamed   GGW\n"
            "seqC      G\n"
            "extra     QQQQQQQQQQQQ\n");
  const OwnedClustal c(GetClustal((dir / "a.aln").c_str()));
  ASSERT_TRUE(c);
  ASSERT_EQ(c->num, 3);
  EXPECT_EQ(Texts(c->name, 3), (std::vector<std::string>{"seqA", "seqB", "seqC", "<null>"}));
  // Later blocks match by order, whatever name they carry; the residue
  // count after the residues belongs to the text.
  EXPECT_EQ(Texts(c->seq, 3), (std::vector<std::string>{"MKV-LA 6GG", "MKVILA 6GGW", "M--ILA 4G", "<null>"}));
  EXPECT_EQ(c->length, 11);
  EXPECT_EQ(std::string(c->seq[2], c->seq[2] + 12), std::string("M--ILA 4G\0\0\0", 12));
}

TEST(GetClustal, TitleAloneAndLinesWithoutNames) {
  TempDir dir;
  WriteFile(dir / "title.aln", "CLUSTAL\n\n");
  WriteFile(dir / "blank.aln", "CLUSTAL\n   conservation first\nseqA  MK\n");
  for (const char *name : {"title.aln", "blank.aln"}) {
    const OwnedClustal c(GetClustal((dir / name).c_str()));
    ASSERT_TRUE(c) << name;
    EXPECT_EQ(c->num, 0);
    EXPECT_EQ(c->length, 0);
    EXPECT_EQ(c->name[0], nullptr);
  }
  // A line without a blank has no end to its name: no sequence, and the
  // lines after it in its block move up.
  WriteFile(dir / "noblank.aln", "CLUSTAL\nseqA AA\nJUNK\nseqB BB\n\nseqA aa\nJUNK\nseqB bb\n");
  const OwnedClustal c(GetClustal((dir / "noblank.aln").c_str()));
  ASSERT_TRUE(c);
  EXPECT_EQ(Texts(c->name, 2), (std::vector<std::string>{"seqA", "seqB", "<null>"}));
  EXPECT_EQ(Texts(c->seq, 2), (std::vector<std::string>{"AAaa", "BBbb", "<null>"}));

  WriteFile(dir / "empty.aln", "");
  EXPECT_EQ(GetClustal((dir / "empty.aln").c_str()), nullptr);
  EXPECT_EQ(GetClustal((dir / "missing.aln").c_str()), nullptr);
  ClearClustal(nullptr);
}

}  // namespace
