#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::ReadFile;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "ExtractProfileMatrix [MTX file] [output file]\n";
constexpr const char *kMtx =
    "2\nMA\n2.670000e-03\n-3.194183e+00\n"
    "-32768  -200  -32768  -201  -425  -352  -38  -429  -333  298  -297  381  468  -385  -358  -246  -288  -294  -162  81  "
    "-253  -100  -180  -32768  -32768  -401  -32768  -32768  \r\n"
    "-32768  400  -32768  -100  -200  -100  -200  -200  0  -100  -100  -100  -100  -100  -100  -100  -100  100  0  0  "
    "-300  -100  -200  -32768  -32768  -401  -32768  -32768  \n"
    "\n";
constexpr const char *kTable =
    "2\nMA\n"
    "-200 -288 -385 -425 -201 -246 -352 -429 -333 298 381 -297 468 -38 -358 -294 -162 -253 -180 81\n"
    "400 -100 -100 -200 -100 -100 -100 -200 0 -100 -100 -100 -100 -200 -100 100 0 -300 -200 0\n";

TEST(ExtractProfileMatrixCli, WritesTheProfileTable) {
  TempDir dir;
  WriteFile(dir / "p.mtx", kMtx);
  WriteFile(dir / "p.tab", "an older, longer table that must be replaced whole\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n");
  const auto result = RunTool("ExtractProfileMatrix", {dir / "p.mtx", dir / "p.tab"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir / "p.tab"), kTable);
}

TEST(ExtractProfileMatrixCli, FailuresWriteNoFile) {
  TempDir dir;
  WriteFile(dir / "p.mtx", kMtx);
  WriteFile(dir / "empty.mtx", "");
  WriteFile(dir / "zeros.mtx",
            std::string("2\nMA\n0\n0\n") + (std::string(kMtx).substr(std::string(kMtx).find("-32768"))));
  WriteFile(dir / "kept.tab", "kept\n");
  std::filesystem::create_directory(dir / "folder");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "p.mtx"}, kUsage},
           Case{{dir / "missing.mtx", dir / "kept.tab"}, "cannot open " + (dir / "missing.mtx") + "\n"},
           Case{{dir / "empty.mtx", dir / "kept.tab"}, dir / "empty.mtx" + ": empty checkpoint matrix\n"},
           Case{{dir / "zeros.mtx", dir / "kept.tab"},
                dir / "zeros.mtx" + ": no matrix row (no line beginning with -32768 after the header lines)\n"},
           Case{{dir / "p.mtx", dir / "none/p.tab"}, "cannot open " + (dir / "none/p.tab") + "\n"},
           Case{{dir / "p.mtx", dir / "folder"}, "cannot open " + (dir / "folder") + "\n"},
       }) {
    const auto result = RunTool("ExtractProfileMatrix", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
  EXPECT_EQ(ReadFile(dir / "kept.tab"), "kept\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 5);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
}

TEST(ExtractProfileMatrixCli, ScoresAtTheIntLimitsAreCopiedAsAtoiReadsThem) {
  TempDir dir;
  // Column k holds k, except the columns of A, R, N, D and C.
  std::vector<std::string> columns;
  for (int k = 0; k < 28; ++k) columns.push_back(std::to_string(k));
  columns[0] = columns[2] = "-32768";
  columns[1] = "2147483647";    // A
  columns[16] = "-2147483648";  // R
  columns[13] = "99999999999";  // N
  columns[4] = "-99999999999";  // D
  columns[3] = "2147483648";    // C
  std::string row;
  for (const std::string &column : columns) row += column + "  ";
  WriteFile(dir / "p.mtx", "1\nM\n2.670000e-03\n" + row + "\n");
  const auto atoi = [](const std::string &text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); };
  std::string expected = "1\nM\n";
  for (const int column : {1, 16, 13, 4, 3, 15, 5, 7, 8, 9, 11, 10, 12, 6, 14, 17, 18, 20, 22, 19}) {
    expected += Printf("%d%c", atoi(columns[column]), column == 19 ? '\n' : ' ');
  }
  const auto result = RunTool("ExtractProfileMatrix", {dir / "p.mtx", dir / "p.tab"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ReadFile(dir / "p.tab"), expected);
}

TEST(ExtractProfileMatrixCli, RefusesToWriteOverItsInput) {
  TempDir dir;
  WriteFile(dir / "p.mtx", kMtx);
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_symlink(dir / "p.mtx", dir / "link.mtx");
  for (const std::string &output : {dir / "p.mtx", dir / "sub/../p.mtx", dir / "link.mtx"}) {
    const auto result = RunTool("ExtractProfileMatrix", {dir / "p.mtx", output});
    EXPECT_EQ(result.status, 1) << output;
    EXPECT_EQ(result.out, "output file " + output + " is the input file " + (dir / "p.mtx") + "\n");
    EXPECT_EQ(ReadFile(dir / "p.mtx"), kMtx) << output;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// A link is followed and stays a link; a device or a FIFO is written
// directly and stays what it is.
TEST(ExtractProfileMatrixCli, WritesThroughLinksAndIntoDevicesAndFifos) {
  namespace fs = std::filesystem;
  TempDir dir;
  WriteFile(dir / "p.mtx", kMtx);
  fs::create_directory(dir / "tables");
  WriteFile(dir / "tables/old.tab", "old\n");
  fs::create_symlink("tables/old.tab", dir / "link.tab");
  fs::create_symlink("tables/new.tab", dir / "dangling.tab");
  fs::create_symlink("/dev/null", dir / "null.tab");
  for (const char *output : {"link.tab", "dangling.tab", "null.tab"}) {
    const auto result = RunTool("ExtractProfileMatrix", {dir / "p.mtx", dir / output});
    EXPECT_EQ(result.status, 0) << output;
    EXPECT_TRUE(fs::is_symlink(dir / output)) << output;
  }
  EXPECT_EQ(ReadFile(dir / "tables/old.tab"), kTable);
  EXPECT_EQ(ReadFile(dir / "tables/new.tab"), kTable);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "tables"), {}), 2);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  const auto full = RunTool("ExtractProfileMatrix", {dir / "p.mtx", "/dev/full"});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.out, "cannot write /dev/full\n");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));

  const auto fifo = linkerkit::test::RunCommand(
      {"sh", "-c", "mkfifo \"$1\" && { cat \"$1\" > \"$2\" & \"$0\" \"$3\" \"$1\" && wait; }",
       std::string(LINKERKIT_BIN_DIR) + "/ExtractProfileMatrix", dir / "fifo", dir / "read.tab", dir / "p.mtx"});
  EXPECT_EQ(fifo.status, 0) << fifo.out;
  EXPECT_EQ(ReadFile(dir / "read.tab"), kTable);
  EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
}

}  // namespace
