#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "LineReader.h"
#include "alphabet.h"
#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "failure_message.h"
#include "fasta.h"
#include "lines.h"
#include "program.h"
#include "region.h"
#include "test_support.h"
#include "track.h"
#include "window.h"

namespace {

using namespace linkerkit;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

std::string PrintfFixed(double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return buffer;
}

std::string Fixed6(double value) {
  std::string out;
  AppendFixed6(out, value);
  return out;
}

TEST(NumberFormat, AgreesWithPrintfEverywhere) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double value :
       {0.5, -1.25, -0.0000004, -0.0, 0.0, 0.0000005, 0.0000015, 2.5e-7, 1e308, -1e308, 123456789.1234565, inf, -inf,
        std::nan(""), -std::nan(""), std::numeric_limits<double>::denorm_min(), 1e-320, -1e-320}) {
    EXPECT_EQ(Fixed6(value), PrintfFixed(value)) << value;
  }
  EXPECT_EQ(Fixed6(-0.0000004), "-0.000000");
  std::mt19937_64 bits(42);
  for (int i = 0; i < 200000; ++i) {
    double value;
    const auto word = bits();
    std::memcpy(&value, &word, sizeof value);
    if (i % 2) value = std::ldexp(static_cast<double>(word >> 11), -static_cast<int>(word % 80));
    ASSERT_EQ(Fixed6(value), PrintfFixed(value)) << value;
  }
}

TEST(NumberFormat, SinglePrecisionAgreesWithPrintfOfTheWidenedValue) {
  const auto check = [](float value) {
    std::string out;
    AppendFixed6(out, value);
    return out == PrintfFixed(static_cast<double>(value));
  };
  // Exact halves of a millionth round to even (1/128 is 7812.5 millionths),
  // and a negative value that rounds to zero keeps its sign.
  for (const float value : {1.0f / 128, 3.0f / 128, -5.0f / 128, 0.5f, -0.0f, 0.0f, -1e-7f, 4294967295.0f,
                            4294967296.0f, 3.4e38f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::nanf(""), 16777217.0f, 0.1234567f, -std::numeric_limits<float>::max()}) {
    EXPECT_TRUE(check(value)) << value;
  }
  // The longest text fills the room WriteFixed6 asks for, less one byte.
  char room[kFixed6FloatRoom];
  EXPECT_EQ(WriteFixed6(room, -std::numeric_limits<float>::max()) - room, 47);
  // Every exponent, random mantissas and both signs.
  for (const float value : linkerkit::test::FloatsOfEveryExponent(3, 2000)) {
    ASSERT_TRUE(check(value)) << value;
  }
}

// What a reader of a track or vector line gets for a value, worked out
// without the text, is what reading the text gives, bit for bit: the
// roundings at ties, the negative zeros, the values past the fast path.
TEST(TrackFormat, ValuesReadBackAsTheirTextReads) {
  const auto same = [](double got, double read) {
    return std::memcmp(&got, &read, sizeof got) == 0 || (std::isnan(got) && std::isnan(read));
  };
  const auto text_of = [](auto value) {
    std::string text;
    linkerkit::AppendFixed6(text, value);
    return text;
  };
  const auto check_double = [&](double value) {
    return same(linkerkit::ReadBackFixed6(value), linkerkit::ReadCDouble(text_of(value).c_str()));
  };
  const auto check_float = [&](float value) {
    return same(linkerkit::ReadBackFixed6(value), linkerkit::ReadCDouble(text_of(value).c_str()));
  };
  for (const double value :
       {0.0, -0.0, 0.0078125, -0.0078125, 0.0234375, 2.5e-7, -2.5e-7, 5e-7, 4.9999999e-7, 1.0 / 3.0, 4294967295.999999,
        4294967296.0, -1e300, 1e-320, 123456.7890125, std::numeric_limits<double>::infinity(), std::nan("")}) {
    EXPECT_TRUE(check_double(value)) << text_of(value);
  }
  std::mt19937_64 random(5);
  for (int exponent = 1023 - 80; exponent <= 1023 + 40; ++exponent) {
    for (int i = 0; i < 500; ++i) {
      const std::uint64_t word = (random() & 0x800fffffffffffffu) | (static_cast<std::uint64_t>(exponent) << 52);
      double value;
      std::memcpy(&value, &word, sizeof value);
      ASSERT_TRUE(check_double(value)) << text_of(value);
      // Ties: a few binary digits below the millionths.
      const double tie = std::ldexp(static_cast<double>(random() % 4096), -static_cast<int>(random() % 12) - 7);
      ASSERT_TRUE(check_double(tie)) << text_of(tie);
    }
  }
  for (const float value : linkerkit::test::FloatsOfEveryExponent(4, 500, 3)) {
    ASSERT_TRUE(check_float(value)) << text_of(value);
  }
}

TEST(NumberReading, CIntFollowsAtoi) {
  for (const char *text : {"15",
                           "  -3x",
                           "+7",
                           "abc",
                           "",
                           "-",
                           "--5",
                           "2147483647",
                           "99999999999",
                           "-99999999999",
                           "99999999999999999999",
                           "-99999999999999999999",
                           "0x10",
                           "\t\n 12",
                           "  -32768  -200",
                           "007",
                           "123456789",
                           "-123456789 5",
                           "1234567890",
                           "-2147483648",
                           "2147483648",
                           "2147483646",
                           "-2147483647",
                           "4294967296"}) {
    EXPECT_EQ(ReadCInt(text), static_cast<int>(std::strtol(text, nullptr, 10))) << text;
  }
}

TEST(NumberReading, CDoubleIsExactlyStrtod) {
  for (const char *text : {"0.5",
                           "  -1.25 #QUERY",
                           "+3.5",
                           ".5",
                           "-.5",
                           "5.",
                           "1e5",
                           "1e",
                           "1.5e+3x",
                           "abc",
                           "",
                           "-",
                           "0x1p3",
                           "-0x10",
                           "inf",
                           "-INFINITY",
                           "nan",
                           "1e400",
                           "-1e400",
                           "1e-400",
                           "4.9e-324",
                           "\t\n2.5",
                           "0.1000000000000000055511151231257827",
                           "00012.750",
                           "1.2.3",
                           "-0.000000",
                           ".",
                           "-.e1",
                           "0x",
                           "9007199254740992",
                           "9007199254740993",
                           "900719925474099.3",
                           "123456789012345678",
                           "1234567890123456789",
                           "0.000000000000000001",
                           "12345678.9012345678x",
                           "7 #A 1 2",
                           "1e-320",
                           "-1e-320",
                           "-nan",
                           "-0.0",
                           "1e308",
                           "-1e308"}) {
    char *strtod_end = nullptr;
    const double expected = std::strtod(text, &strtod_end);
    const char *end = nullptr;
    const double got = ReadCDouble(text, &end);
    EXPECT_EQ(end, strtod_end) << text;
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(got)) << text;
    } else {
      EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text << " " << got << " " << expected;
    }
  }
  std::mt19937_64 bits(7);
  char buffer[64];
  for (int i = 0; i < 100000; ++i) {
    std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(bits() % 12),
                  std::ldexp(static_cast<double>(bits() >> 20), -30) - 1000.0);
    ASSERT_EQ(ReadCDouble(buffer), std::strtod(buffer, nullptr)) << buffer;
  }
}

TEST(NumberReading, WholeNumbersAreDigitsOnly) {
  EXPECT_EQ(ReadWholeNumber("0"), 0);
  EXPECT_EQ(ReadWholeNumber("007"), 7);
  EXPECT_EQ(ReadWholeNumber("2147483647"), 2147483647);
  for (const char *bad : {"", "-1", "+1", " 1", "1 ", "1.0", "1e3", "0x10", "2147483648", "99999999999999999999"}) {
    EXPECT_FALSE(ReadWholeNumber(bad)) << bad;
  }
}

// The impossible ranges themselves are tried through LabelFeatureRows.
TEST(RegionLine, FieldsAndNumbers) {
  const Region region = ParseRegionLine("P1|58,78|linker|21|120", "r", 1);
  EXPECT_EQ(region.name, "P1");
  EXPECT_EQ(region.start, 58);
  EXPECT_EQ(region.end, 78);
  EXPECT_EQ(region.protein_length, 120);
  EXPECT_EQ(region.type, "linker");
  EXPECT_EQ(ParseRegionLine("P1|1,120|linker|120|120", "r", 1).end, 120);  // the whole chain
  const auto message = [](const char *line) {
    return linkerkit::test::FailureMessage([&] { ParseRegionLine(line, "r", 3); });
  };
  EXPECT_EQ(message("P1|58,78|linker|21|120|x"), "r line 3: not NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH");
  EXPECT_EQ(message("|58,78|linker|21|120"), "r line 3: no protein name");
  EXPECT_EQ(message("P1|58|linker|21|120"), "r line 3: range \"58\" is not START,END");
  EXPECT_EQ(message("P1| 58,78|linker|21|120"), "r line 3: start \" 58\" is not a whole number");
  EXPECT_EQ(message("P1|58,7.8|linker|21|120"), "r line 3: end \"7.8\" is not a whole number");
  EXPECT_EQ(message("P1|58,78|linker|21|"), "r line 3: protein length \"\" is not a whole number");
}

TEST(WindowSize, RejectsWhatAtoiReadsAsZeroOrLess) {
  EXPECT_EQ(ReadWindowSize("15"), 15);
  EXPECT_EQ(ReadWindowSize("7abc"), 7);
  for (const char *bad : {"0", "-3", "abc", ""}) {
    try {
      ReadWindowSize(bad);
      ADD_FAILURE() << bad;
    } catch (const Failure &failure) {
      EXPECT_EQ(std::string(failure.what()), std::string("invalid window size: ") + bad);
    }
  }
}

TEST(CentredWindow, DividesByWsAndHandlesEdges) {
  const std::vector<double> raw = {1, 2, 3, 2, 1};
  EXPECT_EQ(SmoothCentred(raw, 3, WindowEdges::kRaw), (std::vector<double>{1, 2, 7.0 / 3, 2, 1}));
  EXPECT_EQ(SmoothCentred(raw, 3, WindowEdges::kZero), (std::vector<double>{0, 2, 7.0 / 3, 2, 0}));
  // Even ws: 2h + 1 = ws + 1 values divided by ws.
  EXPECT_EQ(SmoothCentred(raw, 2, WindowEdges::kRaw), (std::vector<double>{1, 3, 3.5, 3, 1}));
  EXPECT_EQ(SmoothCentred(raw, 1, WindowEdges::kZero), raw);
  // n <= 2h: no full window anywhere.
  EXPECT_EQ(SmoothCentred(raw, 5 * 2, WindowEdges::kRaw), raw);
  EXPECT_EQ(SmoothCentred(raw, 2147483647, WindowEdges::kZero), std::vector<double>(5, 0.0));
}

TEST(CentredWindow, AddsInAscendingOrderInItsOwnPrecision) {
  // Ascending order: ((1e16 + 1) + 1) loses both ones; a different order would not.
  const std::vector<double> raw = {1.0, 1.0, 1e16};
  const double ascending = (1e16 + (1.0 + (1.0 + 0.0))) / 3;
  EXPECT_EQ(SmoothCentred(raw, 3, WindowEdges::kZero)[1], ascending);
  const std::vector<float> rows = {0.9f, 0.0f, 0.6f, 0.3f};
  const auto smoothed = SmoothCentred(rows, 3, WindowEdges::kRaw);
  EXPECT_EQ(smoothed[1], (0.6f + (0.0f + (0.9f + 0.0f))) / 3.0f);
  EXPECT_EQ(PrintfFixed(smoothed[1]), "0.500000");
  EXPECT_EQ(PrintfFixed(smoothed[2]), "0.300000");
}

TEST(ClippedWindow, IsATrueMeanOfTheValuesInside) {
  EXPECT_EQ(SmoothClipped({1, 2, 3, 4}, 3), (std::vector<double>{1.5, 2, 3, 3.5}));
  EXPECT_EQ(SmoothClipped({1, 2, 3, 4}, 1), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(SmoothClipped({1, 2, 3, 4}, 100), (std::vector<double>(4, 2.5)));
  EXPECT_TRUE(SmoothClipped({}, 5).empty());
}

TEST(TrackLine, WritesTheFixedShape) {
  std::string out;
  AppendTrackLine(out, -1.25, "QUERY", 3, 10);
  AppendTrackLine(out, 0.5, "query", 0, 1);
  EXPECT_EQ(out, "-1.250000 #QUERY 3 10\n0.500000 #query 0 1\n");
  EXPECT_EQ(FormatTrack(std::vector<float>{0.1f}, "QUERY"), PrintfFixed(0.1f) + " #QUERY 0 1\n");
}

TEST(TrackLine, ReadsValueAndPositionWhateverTheTag) {
  std::string out;
  AppendTrackLine(out, -1.25, "QUERY", 3, 10);
  const auto parsed = ParseTrackLine(out.c_str());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->value, -1.25);
  EXPECT_EQ(parsed->position, 3);
  EXPECT_EQ(ParseTrackLine("0.5 #query 7 9")->position, 7);
  EXPECT_FALSE(ParseTrackLine("0.5 QUERY 7 9"));
  EXPECT_FALSE(ParseTrackLine("0.5 #QUERY"));
}

TEST(ScoreLine, SplitsNamePositionAndLength) {
  const auto parsed = ParseScoreLine("0.650000 #P2 1 5");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->value, 0.65);
  EXPECT_EQ(parsed->name, "P2");
  EXPECT_EQ(parsed->Position(), 1);
  EXPECT_EQ(parsed->Length(), 5);
  EXPECT_EQ(ParseScoreLine("1 #a#b 2 3")->name, "a#b");
  EXPECT_EQ(ParseScoreLine("x1#Q 2 3")->name, "Q");
  EXPECT_EQ(ParseScoreLine("-1.5e1#Q 2 3")->value, -15.0);
  EXPECT_EQ(ParseScoreLine("1 #Q  7 3")->Length(), 7);  // the length follows the space after the name's space
  for (const char *bad : {"0.5 P1 1 5", "0.5 #P1", "0.5 #P1 1"}) EXPECT_FALSE(ParseScoreLine(bad)) << bad;
}

// The line rule as the C library states it: fgets into 100000 bytes, the
// text up to its first NUL, then one line feed and one carriage return
// before it removed.
std::vector<std::string> FgetsPieces(const std::string &path) {
  std::vector<std::string> pieces;
  std::FILE *file = std::fopen(path.c_str(), "r");
  std::vector<char> buffer(100000);
  while (std::fgets(buffer.data(), 100000, file)) {
    std::size_t length = std::strlen(buffer.data());
    if (length > 0 && buffer[length - 1] == '\n') --length;
    if (length > 0 && buffer[length - 1] == '\r') --length;
    pieces.emplace_back(buffer.data(), length);
  }
  std::fclose(file);
  return pieces;
}

TEST(LineReader, CutsLinesAsFgetsDoes) {
  TempDir dir;
  std::mt19937 random(11);
  for (int round = 0; round < 4; ++round) {
    // Several read blocks of short lines and lines longer than a piece, with
    // carriage returns and NUL bytes here and there.
    std::string content;
    while (content.size() < 900000) {
      const std::size_t length = random() % 12 == 0 ? 99990 + random() % 20 : random() % 40;
      for (std::size_t i = 0; i < length; ++i) {
        const unsigned pick = random() % 300;
        content += pick == 0 ? '\0' : pick < 4 ? '\r' : static_cast<char>('a' + pick % 26);
      }
      content += '\n';
    }
    if (round % 2) content.pop_back();
    const std::string path = dir / "lines";
    WriteFile(path, content);
    LineReader reader(path.c_str());
    std::vector<std::string> pieces;
    std::string_view line;
    while (reader.Next(line)) {
      ASSERT_EQ(line.data()[line.size()], '\0');
      pieces.emplace_back(line);
    }
    EXPECT_FALSE(reader.HadReadError());
    const std::vector<std::string> expected = FgetsPieces(path);
    EXPECT_EQ(pieces, expected) << "round " << round;

    // The same lines when a caller takes some plain lines itself, by the
    // rule Unread states, and leaves the others (and the rest of a read
    // block) to Next.
    LineReader mixed(path.c_str());
    pieces.clear();
    while (true) {
      const std::string_view unread = mixed.Unread();
      ASSERT_EQ(unread.data()[unread.size()], '\0');
      std::size_t taken = 0;
      for (std::size_t feed; random() % 8 != 0 && (feed = unread.find('\n', taken)) != std::string_view::npos;) {
        std::string_view plain = unread.substr(taken, feed - taken);
        if (plain.size() > LineReader::kMaxPlainLine || plain.find('\0') != std::string_view::npos) break;
        if (!plain.empty() && plain.back() == '\r') plain.remove_suffix(1);
        pieces.emplace_back(plain);
        taken = feed + 1;
      }
      mixed.Skip(taken);
      if (!mixed.Next(line)) break;
      pieces.emplace_back(line);
    }
    EXPECT_EQ(pieces, expected) << "round " << round << ", plain lines taken by the caller";
  }
  LineReader folder(dir.path().c_str());
  std::string_view line;
  EXPECT_FALSE(folder.Next(line));
  EXPECT_TRUE(folder.HadReadError());
}

TEST(Fasta, HeadersAndCapitals) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(ExtractFastaResidues(Lines{">P1", "MKV", "LLA"}), "MKVLLA");
  EXPECT_EQ(ExtractFastaResidues(Lines{">P1 desc", ">second header", "mkV*L-l.a 1\xc3\x89"}), "VL");
  // Only leading headers are skipped: an empty first line ends the skipping.
  EXPECT_EQ(ExtractFastaResidues(Lines{"", ">Hdr", "AC"}), "HAC");
  EXPECT_EQ(ExtractFastaResidues(Lines{">one", "AC", ">Two", "DE"}), "ACTDE");
  EXPECT_EQ(ExtractFastaResidues(Lines{">only"}), "");
  // A byte-order mark leaves the header a header.
  EXPECT_EQ(ExtractFastaResidues(Lines{"\xEF\xBB\xBF>P1", "MKV"}), "MKV");
}

// A byte-order mark is dropped from the first line only, and only whole.
TEST(Region, AByteOrderMarkIsNoPartOfTheFirstLine) {
  TempDir dir;
  WriteFile(dir / "marked", "\xEF\xBB\xBFP1|1,2|linker|2|9\n\xEF\xBB\xBFP2|1,2|linker|2|9\n");
  std::vector<std::string> names;
  ForEachRegionFileLine(dir / "marked", [&](std::string_view line, std::size_t number) {
    names.emplace_back(ParseRegionLine(line, dir / "marked", number).name);
  });
  EXPECT_EQ(names, (std::vector<std::string>{"P1", "\xEF\xBB\xBFP2"}));
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBF"), "");
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBBP1"), "\xEF\xBBP1");
  EXPECT_EQ(WithoutByteOrderMark("P1\xEF\xBB\xBF"), "P1\xEF\xBB\xBF");
}

TEST(Fasta, MissingFileFailsButEmptyFileHasNoResidues) {
  TempDir dir;
  WriteFile(dir / "empty.fa", "");
  EXPECT_EQ(ReadFastaResidues(dir / "empty.fa"), "");
  WriteFile(dir / "crlf.fa", ">x\r\nAC\r\nD\r\n");
  EXPECT_EQ(ReadFastaResidues(dir / "crlf.fa"), "ACD");
  try {
    ReadFastaResidues(dir / "missing.fa");
    ADD_FAILURE();
  } catch (const Failure &failure) {
    EXPECT_EQ(std::string(failure.what()), "cannot open " + (dir / "missing.fa"));
  }
  EXPECT_THROW(ReadLines(dir.path().string()), Failure);  // a folder is not a file
}

TEST(Lines, StreamedWithNumbersFromOne) {
  TempDir dir;
  WriteFile(dir / "t.txt", "a\r\n\nc");
  std::vector<std::string> seen;
  const std::size_t count = ForEachLine(dir / "t.txt", [&](std::string_view line, std::size_t number) {
    seen.push_back(std::to_string(number) + ":" + std::string(line) + (line.data()[line.size()] == '\0' ? "" : "!"));
  });
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(seen, (std::vector<std::string>{"1:a", "2:", "3:c"}));
  EXPECT_EQ(ReadLines(dir / "t.txt"), (std::vector<std::string>{"a", "", "c"}));
  try {
    ForEachLine(dir / "missing.txt", [](std::string_view, std::size_t) {});
    ADD_FAILURE();
  } catch (const Failure &failure) {
    EXPECT_EQ(std::string(failure.what()), "cannot open " + (dir / "missing.txt"));
  }
}

TEST(Failure, InputMessagesNameTheFileAndLine) {
  try {
    FailAtLine("in.txt", 7, "no TAB");
  } catch (const Failure &failure) {
    EXPECT_EQ(std::string(failure.what()), "in.txt line 7: no TAB");
  }
  try {
    FailInFile("in.txt", "empty");
  } catch (const Failure &failure) {
    EXPECT_EQ(std::string(failure.what()), "in.txt: empty");
  }
}

TEST(Program, EveryEndOfARunIsOneLineAndAStatus) {
  char program[] = "P";
  char argument[] = "x";
  char *argv[] = {program, argument, nullptr};
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(2, argv, 1, "P [x]", [](Arguments, std::FILE *) {}), 0);
  EXPECT_EQ(RunProgram(1, argv, 1, "P [x]", [](Arguments, std::FILE *) {}), 1);
  EXPECT_EQ(RunProgram(2, argv, 1, "P [x]", [](Arguments arguments, std::FILE *) { Fail(arguments[0]); }), 1);
  // An input whose counts ask for more memory than there is.
  EXPECT_EQ(RunProgram(2, argv, 1, "P [x]", [](Arguments, std::FILE *) { throw std::bad_alloc(); }), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "P [x]\nx\nout of memory\n");
}

TEST(Program, OptionalArgumentsMayBeLeftOut) {
  char program[] = "P";
  char argument[] = "x";
  char *argv[] = {program, argument, argument, nullptr};
  std::size_t given = 0;
  const auto count = [&](Arguments arguments, std::FILE *) { given = arguments.size(); };
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(2, argv, 1, 2, "P [x] [y]", count), 0);
  EXPECT_EQ(given, 1u);
  EXPECT_EQ(RunProgram(3, argv, 1, 2, "P [x] [y]", count), 0);
  EXPECT_EQ(given, 2u);
  EXPECT_EQ(RunProgram(1, argv, 1, 2, "P [x] [y]", count), 1);
  EXPECT_EQ(RunProgram(3, argv, 1, 1, "P [x]", count), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "P [x] [y]\nP [x]\n");
}

TEST(Alphabet, ProfileOrder) {
  EXPECT_EQ(ProfileIndex('A'), 0);
  EXPECT_EQ(ProfileIndex('V'), 19);
  EXPECT_EQ(ProfileIndex('X'), -1);
  EXPECT_EQ(ProfileIndex('a'), -1);
}

}  // namespace

#include <sys/resource.h>

#include <csignal>

#include "failure_message.h"
#include "output_file.h"

namespace {

using linkerkit::WriteFilesAtomically;
using linkerkit::test::FailureMessage;

using linkerkit::test::ReadFile;

TEST(OutputFile, AppearsOnlyWhenAllAreWritten) {
  TempDir dir;
  WriteFile(dir / "c.txt", "old c\n");
  linkerkit::WriteFilesAtomically({{dir / "a.txt", "A\n"}, {dir / "c.txt", "C\n"}});
  EXPECT_EQ(ReadFile(dir / "a.txt"), "A\n");
  EXPECT_EQ(ReadFile(dir / "c.txt"), "C\n");

  // The second file's folder is missing: neither file changes, no temporary file is left.
  try {
    linkerkit::WriteFilesAtomically({{dir / "c.txt", "new\n"}, {dir / "none/b.txt", "B\n"}});
    ADD_FAILURE();
  } catch (const linkerkit::Failure &failure) {
    EXPECT_EQ(std::string(failure.what()), "cannot open " + (dir / "none/b.txt"));
  }
  EXPECT_EQ(ReadFile(dir / "c.txt"), "C\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
  EXPECT_THROW(linkerkit::AtomicOutputFile(""), linkerkit::Failure);
}

TEST(OutputFile, NoFileIsReplacedWhenALaterOneCannotBeWritten) {
  TempDir dir;
  WriteFile(dir / "a.txt", "old a\n");
  WriteFile(dir / "c.txt", "old c\n");
  std::filesystem::create_directory(dir / "folder");
  const auto count_entries = [&] {
    return std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator());
  };
  // A folder in the place of the last file.
  EXPECT_EQ(FailureMessage([&] {
              WriteFilesAtomically({{dir / "a.txt", "A\n"}, {dir / "folder", "F\n"}});
            }),
            "cannot open " + (dir / "folder"));
  EXPECT_EQ(ReadFile(dir / "a.txt"), "old a\n");
  EXPECT_EQ(count_entries(), 3);

  // The last file outgrows the file size limit, as on a full disk: its
  // write fails only when its text is flushed.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const std::string message = FailureMessage([&] {
    WriteFilesAtomically({{dir / "a.txt", "A\n"}, {dir / "c.txt", "C\n"}, {dir / "b.txt", std::string(10000, 'b')}});
  });
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(message, "cannot write " + (dir / "b.txt"));
  EXPECT_EQ(ReadFile(dir / "a.txt"), "old a\n");
  EXPECT_EQ(ReadFile(dir / "c.txt"), "old c\n");
  EXPECT_EQ(count_entries(), 3);
}

}  // namespace

namespace {

using namespace linkerkit;

TEST(NumberReading, WholeFieldsAreNumbersOrNothing) {
  EXPECT_EQ(ReadWholeCDouble("12.5"), 12.5);
  EXPECT_EQ(ReadWholeCDouble("-1e-05"), -1e-05);
  EXPECT_EQ(ReadWholeCDouble("0.10000000000000001"), 0.1);
  for (const char *bad : {"", "12x", " 12", "12 ", "1.2.3", "-", "e5"}) EXPECT_FALSE(ReadWholeCDouble(bad)) << bad;
  EXPECT_EQ(ReadPlainCount("007"), 7);
  for (const char *bad : {"", "+7", "-7", "7 ", "2147483648"}) EXPECT_FALSE(ReadPlainCount(bad)) << bad;
  EXPECT_EQ(ReadFiniteDecimal("-.5e1"), -5.0);
  EXPECT_EQ(ReadFiniteDecimal("+3."), 3.0);
  for (const char *bad : {"", "nan", "inf", "0x1p3", "1,5", ".", "1e400", " 1", "1e"}) {
    EXPECT_FALSE(ReadFiniteDecimal(bad)) << bad;
  }
}

int RunWithOptions(std::vector<std::string> words, std::string &seen) {
  static constexpr ProgramOption kOptions[] = {{"--file", true}, {"--flag", false}};
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  return RunProgramWithOptions(
      static_cast<int>(argv.size()), argv.data(), kOptions, 2, "P [--file F] [--flag] [a] [b]",
      [&](const GivenOptions &options, Arguments arguments, std::FILE *) {
        seen = std::string(options.Has("--flag") ? "flag " : "") +
               (options.Value("--file") ? std::string("file=") + options.Value("--file") + " " : "") + arguments[0] +
               " " + arguments[1];
      });
}

TEST(Program, LeadingOptionsInAnyOrder) {
  std::string seen;
  EXPECT_EQ(RunWithOptions({"P", "a", "b"}, seen), 0);
  EXPECT_EQ(seen, "a b");
  EXPECT_EQ(RunWithOptions({"P", "--flag", "--file", "f", "a", "b"}, seen), 0);
  EXPECT_EQ(seen, "flag file=f a b");
  EXPECT_EQ(RunWithOptions({"P", "--file", "--flag", "--flag", "a", "b"}, seen), 0);
  EXPECT_EQ(seen, "flag file=--flag a b");
  // "--" ends the options, so an argument may begin with "--"; options
  // after the first argument are arguments.
  EXPECT_EQ(RunWithOptions({"P", "--", "--flag", "b"}, seen), 0);
  EXPECT_EQ(seen, "--flag b");
  seen.clear();
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunWithOptions({"P", "a", "--flag"}, seen), 0);
  EXPECT_EQ(RunWithOptions({"P", "--flag", "a"}, seen), 1);
  EXPECT_EQ(RunWithOptions({"P", "--size", "a", "b"}, seen), 1);
  EXPECT_EQ(RunWithOptions({"P", "--flag", "--flag", "a", "b"}, seen), 1);
  EXPECT_EQ(RunWithOptions({"P", "--file"}, seen), 1);
  EXPECT_EQ(RunWithOptions({"P", "-flag", "a", "b"}, seen), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "P [--file F] [--flag] [a] [b]\nunknown option: --size\noption --flag given twice\n"
            "option --file needs a value\nP [--file F] [--flag] [a] [b]\n");
  EXPECT_EQ(seen, "a --flag");
}

}  // namespace

#include <sys/wait.h>
#include <unistd.h>

#include "vector_comment.h"

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;
using linkerkit::test::ReadFile;

TEST(VectorComment, AcceptsWhatTheAssemblerWrites) {
  const VectorComment written = ReadVectorComment("0 1:0.497560 2:1.080267 #QUERY 67 120", "v", 1);
  EXPECT_EQ(written.start, 24u);
  EXPECT_EQ(written.tag, "QUERY");
  EXPECT_EQ(written.position, 67);
  EXPECT_EQ(written.length, 120);
  // Any tag; tabs or several blanks between the fields, blanks after them.
  const VectorComment loose = ReadVectorComment("+1 1:2 #P1\t0  1 \t", "v", 1);
  EXPECT_EQ(loose.tag, "P1");
  EXPECT_EQ(loose.position, 0);
  EXPECT_EQ(loose.length, 1);
  EXPECT_EQ(ReadVectorComment("#QUERY 4 5", "v", 1).start, 0u);
}

TEST(VectorComment, RefusesEmptyMalformedAndOutOfRangeComments) {
  const auto message = [](const char *line) { return FailureMessage([&] { ReadVectorComment(line, "v", 3); }); };
  EXPECT_EQ(message("0 1:0.5 2:0.1"), "v line 3: no #QUERY comment");
  for (const char *comment : {"#", "# 1 5", "#QUERY", "#QUERY 1", "#QUERY 1 5 9", "#QUERY -1 5", "#QUERY +1 5",
                              "#QUERY 1 5x", "#QUERY 1.0 5", "#QUERY 1 99999999999", "# QUERY 1 5"}) {
    EXPECT_EQ(message((std::string("0 1:0.5 ") + comment).c_str()),
              std::string("v line 3: malformed comment \"") + comment + "\": expected #QUERY POSITION LENGTH");
  }
  EXPECT_EQ(message("0 1:0.5 #QUERY 5 5"), "v line 3: position 5 outside 0 to 4");
  EXPECT_EQ(message("0 1:0.5 #QUERY 0 0"), "v line 3: position 0 outside 0 to -1");
}

TEST(SameFile, PathsOfOneFileAndOfFilesToBe) {
  TempDir dir;
  WriteFile(dir / "in.txt", "x\n");
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_symlink(dir / "in.txt", dir / "link.txt");
  std::filesystem::create_hard_link(dir / "in.txt", dir / "hard.txt");
  EXPECT_TRUE(NameSameFile(dir / "in.txt", dir / "sub/../in.txt"));
  EXPECT_TRUE(NameSameFile(dir / "in.txt", dir / "link.txt"));
  EXPECT_TRUE(NameSameFile(dir / "in.txt", dir / "hard.txt"));
  EXPECT_FALSE(NameSameFile(dir / "in.txt", dir / "sub/in.txt"));
  // Neither file exists yet: the resolved folder and the name decide.
  EXPECT_TRUE(NameSameFile(dir / "new.txt", dir / "sub/../new.txt"));
  EXPECT_FALSE(NameSameFile(dir / "new.txt", dir / "sub/new.txt"));
  EXPECT_FALSE(NameSameFile(dir / "none/new.txt", dir / "sub/new.txt"));
  EXPECT_EQ(FailureMessage([&] {
              RefuseOutputOverInputs({dir / "out.txt", dir / "hard.txt"}, {dir / "in.txt"});
            }),
            "output file " + (dir / "hard.txt") + " is the input file " + (dir / "in.txt"));
  EXPECT_EQ(FailureMessage([&] { RefuseOutputOverInputs({dir / "out.txt"}, {dir / "in.txt"}); }), "(no failure)");
  // An output that is a link to an input would replace the input's file.
  EXPECT_EQ(FailureMessage([&] { RefuseOutputOverInputs({dir / "link.txt"}, {dir / "in.txt"}); }),
            "output file " + (dir / "link.txt") + " is the input file " + (dir / "in.txt"));
  // Links to a file yet to be: their chains' ends decide.
  std::filesystem::create_symlink("sub/new.txt", dir / "dangling");
  std::filesystem::create_symlink(dir / "dangling", dir / "dangling2");
  EXPECT_TRUE(NameSameFile(dir / "dangling", dir / "sub/new.txt"));
  EXPECT_TRUE(NameSameFile(dir / "dangling2", dir / "sub/../sub/new.txt"));
  EXPECT_FALSE(NameSameFile(dir / "dangling", dir / "new.txt"));
}

std::size_t EntryCount(const TempDir &dir) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()));
}

// Runs child in a forked process; its exit status or signal as waitpid
// gives it.
template <typename Child>
int InChild(Child child) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    child();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(OutputFile, RegisteredTemporariesAreRemovedOnRequest) {
  TempDir dir;
  {
    AtomicOutputFile first(dir / "a");  // a short path, kept inside its string
    AtomicOutputFile moved(std::move(first));
    std::vector<AtomicOutputFile> many;
    for (int i = 0; i < 100; ++i) many.emplace_back(dir / ("long-output-file-name-" + std::to_string(i) + ".txt"));
    EXPECT_EQ(EntryCount(dir), 101u);
    RemoveTemporaryOutputFiles();
    // The registry has room for some of them; the rest stay to their
    // destructors, and the moved one is among the removed.
    EXPECT_LT(EntryCount(dir), 101u);
    EXPECT_GT(EntryCount(dir), 0u);
    bool moved_one_left = false;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
      moved_one_left = moved_one_left || entry.path().filename().string().starts_with("a.tmp");
    }
    EXPECT_FALSE(moved_one_left);
  }
  EXPECT_EQ(EntryCount(dir), 0u);
  // A committed file is no temporary any more.
  AtomicOutputFile kept(dir / "kept");
  kept.Write("kept\n");
  kept.Commit();
  RemoveTemporaryOutputFiles();
  EXPECT_EQ(ReadFile(dir / "kept"), "kept\n");
}

TEST(OutputFile, SignalRemovesTheTemporaryAndEndsTheRun) {
  for (const int signal_number : {SIGTERM, SIGINT}) {
    TempDir dir;
    WriteFile(dir / "old", "old\n");
    const int status = InChild([&] {
      char name[] = "P";
      char argument[] = "x";
      char *argv[] = {name, argument, nullptr};
      // RunProgram installs the handlers; the body is interrupted in the
      // middle of its output.
      RunProgram(2, argv, 1, "P [x]", [&](Arguments, std::FILE *) {
        AtomicOutputFile output(dir / "new");
        AtomicOutputFile replacing(dir / "old");
        output.Write(std::string(1 << 20, 'x'));
        raise(signal_number);
        output.Commit();
        replacing.Commit();
      });
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_EQ(EntryCount(dir), 1u);
    EXPECT_EQ(ReadFile(dir / "old"), "old\n");
  }
}

TEST(OutputFile, IgnoredSignalStaysIgnored) {
  TempDir dir;
  const int status = InChild([&] {
    std::signal(SIGINT, SIG_IGN);
    char name[] = "P";
    char argument[] = "x";
    char *argv[] = {name, argument, nullptr};
    _exit(RunProgram(2, argv, 1, "P [x]", [&](Arguments, std::FILE *) {
      AtomicOutputFile output(dir / "new");
      raise(SIGINT);
      output.Write("done\n");
      output.Commit();
    }));
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(dir / "new"), "done\n");
}

}  // namespace

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;
using linkerkit::test::ReadFile;
namespace fs = std::filesystem;

std::size_t EntryCount(const fs::path &folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

mode_t FileType(const std::string &path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_mode & S_IFMT;
}

TEST(OutputFile, ALinkIsFollowedAndStaysALink) {
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_directory(dir / "sub");
  WriteFile(dir / "real/old.txt", "old\n");
  // A chain of relative links, each read from its own folder, and a
  // dangling absolute one.
  fs::create_symlink("../real/old.txt", dir / "sub/link");
  fs::create_symlink("sub/link", dir / "link");
  fs::create_symlink(dir / "real/new.txt", dir / "dangling");
  WriteFilesAtomically({{dir / "link", "A\n"}, {dir / "dangling", "B\n"}});
  EXPECT_EQ(ReadFile(dir / "real/old.txt"), "A\n");
  EXPECT_EQ(ReadFile(dir / "real/new.txt"), "B\n");
  for (const char *link : {"link", "sub/link", "dangling"}) EXPECT_EQ(FileType(dir / link), S_IFLNK) << link;
  EXPECT_EQ(EntryCount(dir.path()), 4u);
  EXPECT_EQ(EntryCount(dir / "real"), 2u);

  // The temporary file lies beside the target, where it is renamed, and
  // the signal handlers' cleanup finds it there.
  {
    AtomicOutputFile output(dir / "link");
    output.Write("C\n");
    EXPECT_EQ(EntryCount(dir / "real"), 3u);
    RemoveTemporaryOutputFiles();
    EXPECT_EQ(EntryCount(dir / "real"), 2u);
  }

  // A loop of links, and a link to a folder, cannot be written; the
  // message names the path given.
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");
  fs::create_directory_symlink(dir / "real", dir / "folder");
  for (const char *path : {"loop1", "folder"}) {
    EXPECT_EQ(FailureMessage([&] { WriteFilesAtomically({{dir / path, "x\n"}}); }), "cannot open " + (dir / path));
  }
  EXPECT_EQ(EntryCount(dir / "real"), 2u);
  EXPECT_EQ(ReadFile(dir / "real/old.txt"), "A\n");
}

// What a FIFO's reader gets: size bytes, or what came in ten seconds (a
// writer that never comes must not hang the test).
std::string ReadFromFifo(int descriptor, std::size_t size) {
  std::string got;
  std::string piece(1 << 16, '\0');
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.size() < size && std::chrono::steady_clock::now() < deadline) {
    pollfd ready{descriptor, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t length = ::read(descriptor, piece.data(), piece.size());
    if (length > 0) got.append(piece.data(), static_cast<std::size_t>(length));
  }
  return got;
}

TEST(OutputFile, DevicesAndFifosAreWrittenDirectlyAndNeverReplaced) {
  TempDir dir;
  // As root, a rename would put a regular file in the device's place.
  WriteFilesAtomically({{"/dev/null", "discarded\n"}});
  fs::create_symlink("/dev/null", dir / "null");
  WriteFilesAtomically({{dir / "null", "discarded\n"}});
  EXPECT_EQ(FileType("/dev/null"), S_IFCHR);
  EXPECT_EQ(FileType(dir / "null"), S_IFLNK);
  for (const auto &entry : fs::directory_iterator("/dev")) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("null.tmp")) << entry.path();
  }

  // A device that cannot take the text fails when it is flushed; a regular
  // file written with it is then not replaced.
  WriteFile(dir / "kept", "kept\n");
  EXPECT_EQ(FailureMessage([&] {
              WriteFilesAtomically({{dir / "kept", "new\n"}, {"/dev/full", "x\n"}});
            }),
            "cannot write /dev/full");
  EXPECT_EQ(ReadFile(dir / "kept"), "kept\n");
  EXPECT_EQ(FileType("/dev/full"), S_IFCHR);

  // A FIFO gets the text as its reader reads it, more than its buffer holds.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const int reading = open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reading, 0);
  const std::string text(1 << 18, 'f');
  std::string read;
  std::thread reader([&] { read = ReadFromFifo(reading, text.size()); });
  WriteFilesAtomically({{dir / "fifo", text}});
  reader.join();
  close(reading);
  EXPECT_EQ(read, text);
  EXPECT_EQ(FileType(dir / "fifo"), S_IFIFO);
  EXPECT_EQ(EntryCount(dir.path()), 3u);
}

// /dev/stdout of a run whose standard output is a file: the text goes where
// the run's own writes stand, after what is there, and the file stays.
TEST(OutputFile, StandardOutputAsAnOutputIsTheRunsOwnStream) {
  for (const int mode : {O_TRUNC, O_APPEND}) {
    TempDir dir;
    WriteFile(dir / "log", "before\n");
    struct stat before {};
    stat((dir / "log").c_str(), &before);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int file = open((dir / "log").c_str(), O_WRONLY | mode);
      dup2(file, 1);
      close(file);
      try {
        WriteFilesAtomically({{"/dev/stdout", "report\n"}});
      } catch (const Failure &) {
        _exit(2);
      }
      std::printf("listing\n");
      std::fflush(stdout);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFile(dir / "log"), mode == O_APPEND ? "before\nreport\nlisting\n" : "report\nlisting\n");
    struct stat after {};
    stat((dir / "log").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
  }
}

}  // namespace
