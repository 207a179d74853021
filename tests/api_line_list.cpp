#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "linkerkit/MakeList.h"
#include "linkerkit/mt19937ar.h"
#include "test_support.h"

namespace {

using linkerkit::test::ReadFile;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

struct Line {
  std::string text;
  int number;
  bool operator==(const Line &) const = default;
};

std::vector<Line> Lines(ListMember *list) {
  std::vector<Line> lines;
  for (; list; list = list->next) lines.push_back({list->data ? list->data : "<none>", list->number});
  return lines;
}

std::vector<std::string> Texts(ListMember *list) {
  std::vector<std::string> texts;
  for (; list; list = list->next) texts.emplace_back(list->data);
  return texts;
}

// Builds a finished list of the texts, the way programs build output.
ListMember *Build(const std::vector<std::string> &texts) {
  ListMember *first = AddListMember(0);
  ListMember *tail = first;
  for (const auto &text : texts) tail = WriteList(tail, text.c_str());
  if (tail != first) DeleteLastData(first);
  return first;
}

TEST(MakeList, SplitsLinesAndDropsLineEnds) {
  TempDir dir;
  WriteFile(dir / "lf", "a\nb\n");
  WriteFile(dir / "nolf", "a\nb");
  WriteFile(dir / "crlf", "x\r\n\n\rz\r\r\n");
  for (const char *name : {"lf", "nolf"}) {
    ListMember *list = MakeList((dir / name).c_str());
    EXPECT_EQ(Lines(list), (std::vector<Line>{{"a", 0}, {"b", 1}})) << name;
    ClearList(list);
  }
  // Only the one carriage return right before the line feed goes.
  ListMember *list = MakeList((dir / "crlf").c_str());
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"x", "", "\rz\r"}));
  ClearList(list);
}

TEST(MakeList, MissingAndEmptyFilesGiveNoList) {
  TempDir dir;
  WriteFile(dir / "empty", "");
  EXPECT_EQ(MakeList((dir / "empty").c_str()), nullptr);
  EXPECT_EQ(MakeList((dir / "missing").c_str()), nullptr);
  ClearList(nullptr);
}

TEST(MakeList, SplitsOverlongLinesIntoPiecesOf99999) {
  TempDir dir;
  const std::string long_line(99999 + 5, 'q');
  WriteFile(dir / "long", long_line + "\n" + std::string(99999, 'r') + "\nend");
  ListMember *list = MakeList((dir / "long").c_str());
  const auto texts = Texts(list);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0], std::string(99999, 'q'));
  EXPECT_EQ(texts[1], "qqqqq");
  EXPECT_EQ(texts[2], std::string(99999, 'r'));
  EXPECT_EQ(texts[3], "");  // the piece that holds only the line feed
  EXPECT_EQ(texts[4], "end");
  EXPECT_EQ(list->next->next->next->next->number, 4);
  ClearList(list);
}

TEST(ListBuilding, WriteListAndDeleteLastData) {
  ListMember *first = AddListMember(0);
  EXPECT_EQ(CountList(first), 1);  // a lone placeholder counts
  ListMember *tail = first;
  for (const char *text : {"x", "y", "z"}) tail = WriteList(tail, text);
  EXPECT_NE(tail, first);
  DeleteLastData(first);
  EXPECT_EQ(Lines(first), (std::vector<Line>{{"x", 0}, {"y", 1}, {"z", 2}}));
  ClearList(first);
}

TEST(ListBuilding, CopyAndConnectKeepNumbersOfTheirOwn) {
  ListMember *source = Build({"a", "b"});
  ListMember *first = AddListMember(0);
  ListMember *tail = WriteList(first, "head");
  tail = CopyList(tail, source);
  DeleteLastData(first);
  EXPECT_EQ(Lines(first), (std::vector<Line>{{"head", 0}, {"a", 1}, {"b", 2}}));
  EXPECT_EQ(Texts(source), (std::vector<std::string>{"a", "b"}));

  ListMember *second = Build({"c", "d"});
  ConnectList(source, second);
  EXPECT_EQ(Lines(source), (std::vector<Line>{{"a", 0}, {"b", 1}, {"c", 0}, {"d", 1}}));
  ClearList(first);
  ClearList(source);
}

TEST(ListEditing, DeleteMemberRenumbers) {
  ListMember *list = Build({"a", "b", "c"});
  list = DeleteMember(list, 0);
  EXPECT_EQ(Lines(list), (std::vector<Line>{{"b", 0}, {"c", 1}}));
  list = DeleteMember(list, 1);
  EXPECT_EQ(Lines(list), (std::vector<Line>{{"b", 0}}));
  list = DeleteMember(list, 0);
  EXPECT_EQ(list, nullptr);
}

TEST(ListEditing, ChangeMemberSwapsTexts) {
  ListMember *list = Build({"a", "b", "c"});
  ChangeMember(list, 2, 0);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "b", "a"}));
  ChangeMember(list, 1, 1);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "b", "a"}));
  ClearList(list);
}

TEST(ListEditing, SortListByFlag) {
  ListMember *list = Build({"b", "a", "c", "ab"});
  SortList(list, 2);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"b", "a", "c", "ab"}));
  SortList(list, 0);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "ab", "b", "c"}));
  SortList(list, 1);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "b", "ab", "a"}));
  EXPECT_EQ(list->number, 0);
  ClearList(list);
  // Bytes compare unsigned: a high byte sorts after every ASCII letter.
  list = Build({"\xe9", "z"});
  SortList(list, 0);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"z", "\xe9"}));
  ClearList(list);
}

TEST(ListOutput, ConvertListToPointerGivesOwnedCopies) {
  ListMember *list = Build({"a", "b"});
  char **texts = ConvertListToPointer(list);
  EXPECT_STREQ(texts[0], "a");
  EXPECT_STREQ(texts[1], "b");
  EXPECT_EQ(texts[2], nullptr);
  EXPECT_NE(texts[0], list->data);
  std::free(texts[0]);
  std::free(texts[1]);
  std::free(texts);
  ClearList(list);
}

TEST(ListOutput, WriteListToFileTruncatesOrAppends) {
  TempDir dir;
  const std::string path = dir / "out";
  ListMember *list = Build({"a", "b"});
  WriteListToFile(list, path.c_str(), 0);
  WriteListToFile(list, path.c_str(), 1);
  EXPECT_EQ(ReadFile(path), "a\nb\na\nb\n");
  ListMember *empty = AddListMember(0);
  WriteListToFile(empty, path.c_str(), 1);
  EXPECT_EQ(ReadFile(path), "a\nb\na\nb\n");
  WriteListToFile(empty, path.c_str(), 0);
  EXPECT_EQ(ReadFile(path), "");
  ClearList(empty);
  ClearList(list);
}

TEST(ListOutput, WriteListToFileReportsUnopenableFileAndGoesOn) {
  TempDir dir;
  ListMember *list = Build({"a"});
  testing::internal::CaptureStdout();
  WriteListToFile(list, (dir / "no/such/dir").c_str(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "cannot open " + (dir / "no/such/dir") + "\n");
  ClearList(list);
}

TEST(ShuffleList, FollowsTheSeededDraws) {
  struct Case {
    int seed;
    int swaps;
    std::vector<std::string> expected;
  };
  for (const Case &c :
       {Case{1, 1, {"a", "d", "c", "b"}}, Case{5489, 1, {"d", "b", "c", "a"}}, Case{5489, 2, {"d", "b", "c", "a"}},
        Case{7, 0, {"a", "b", "c", "d"}}, Case{7, -3, {"a", "b", "c", "d"}}}) {
    ListMember *list = Build({"a", "b", "c", "d"});
    ShuffleList(list, c.seed, c.swaps);
    EXPECT_EQ(Texts(list), c.expected) << "seed " << c.seed << " swaps " << c.swaps;
    EXPECT_EQ(list->next->next->next->number, 3);
    ClearList(list);
  }
}

TEST(ShuffleList, SeedsTheSharedGeneratorButNotForOneMember) {
  ListMember *one = AddListMember(0);
  WriteList(one, "only");
  DeleteLastData(one);
  init_genrand(1);
  ShuffleList(one, 99, 5);
  EXPECT_EQ(genrand_int32(), 1791095845UL);  // untouched
  EXPECT_STREQ(one->data, "only");
  ClearList(one);

  ListMember *two = AddListMember(0);
  WriteList(WriteList(two, "a"), "b");
  DeleteLastData(two);
  ShuffleList(two, -1, 0);  // -1 seeds as 4294967295
  std::mt19937 reference(4294967295U);
  EXPECT_EQ(genrand_int32(), reference());
  ClearList(two);
}

}  // namespace
