#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "linkerkit/mt19937-64.h"
#include "linkerkit/mt19937ar.h"

namespace {

// The tests of one process share the generators' state, so the test that
// checks the unseeded start runs first in this file and nothing before it
// draws.
TEST(Mt19937, UnseededStartsWithSeed5489) {
  EXPECT_EQ(genrand_int32(), 3499211612UL);
  EXPECT_EQ(genrand_int32(), 581869302UL);
  EXPECT_EQ(genrand_int32(), 3890346734UL);
  EXPECT_EQ(genrand_int32(), 3586334585UL);
  EXPECT_EQ(genrand64_int64(), 14514284786278117030ULL);
}

TEST(Mt19937, MatchesTheReferenceSequenceAcrossStateRegenerations) {
  for (const unsigned long seed : {1UL, 5489UL, 4294967295UL}) {
    std::mt19937 reference(static_cast<std::uint32_t>(seed));
    init_genrand(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(genrand_int32(), reference()) << "seed " << seed << " draw " << i;
  }
  init_genrand(1);
  EXPECT_EQ(genrand_int32(), 1791095845UL);
  EXPECT_EQ(genrand_int32(), 4282876139UL);
  // Only the low 32 bits of the seed count.
  init_genrand(0x100000001UL);
  EXPECT_EQ(genrand_int32(), 1791095845UL);
}

TEST(Mt19937, InitByArrayReferenceOutput) {
  unsigned long key[] = {0x123, 0x234, 0x345, 0x456};
  init_by_array(key, 4);
  const std::vector<unsigned long> expected = {1067595299UL, 955945823UL, 477289528UL, 4107218783UL, 4228976476UL};
  for (const unsigned long value : expected) EXPECT_EQ(genrand_int32(), value);
}

TEST(Mt19937, RealConversions) {
  init_genrand(1);
  const double n1 = 1791095845.0;
  const double n2 = 4282876139.0;
  EXPECT_EQ(genrand_real1(), n1 * (1.0 / 4294967295.0));
  EXPECT_EQ(genrand_real2(), n2 * (1.0 / 4294967296.0));
  init_genrand(1);
  EXPECT_EQ(genrand_real3(), (n1 + 0.5) * (1.0 / 4294967296.0));
  EXPECT_EQ(genrand_int31(), static_cast<long>(4282876139UL >> 1));
  init_genrand(1);
  const double a = static_cast<double>(1791095845UL >> 5);
  const double b = static_cast<double>(4282876139UL >> 6);
  EXPECT_EQ(genrand_res53(), (a * 67108864.0 + b) * (1.0 / 9007199254740992.0));
}

TEST(Mt19937_64, MatchesTheReferenceSequence) {
  for (const unsigned long long seed : {5489ULL, 1ULL, 0xFFFFFFFFFFFFFFFFULL}) {
    std::mt19937_64 reference(seed);
    init_genrand64(seed);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(genrand64_int64(), reference()) << "seed " << seed << " draw " << i;
  }
}

TEST(Mt19937_64, InitByArrayReferenceOutput) {
  unsigned long long key[] = {0x12345ULL, 0x23456ULL, 0x34567ULL, 0x45678ULL};
  init_by_array64(key, 4);
  EXPECT_EQ(genrand64_int64(), 7266447313870364031ULL);
  EXPECT_EQ(genrand64_int64(), 4946485549665804864ULL);
  EXPECT_EQ(genrand64_int64(), 16945909448695747420ULL);
}

TEST(Mt19937_64, RealConversions) {
  init_genrand64(5489);
  std::mt19937_64 reference(5489);
  const auto w1 = reference();
  const auto w2 = reference();
  const auto w3 = reference();
  const auto w4 = reference();
  EXPECT_EQ(genrand64_real1(), static_cast<double>(w1 >> 11) * (1.0 / 9007199254740991.0));
  EXPECT_EQ(genrand64_real2(), static_cast<double>(w2 >> 11) * (1.0 / 9007199254740992.0));
  EXPECT_EQ(genrand64_real3(), (static_cast<double>(w3 >> 12) + 0.5) * (1.0 / 4503599627370496.0));
  EXPECT_EQ(genrand64_int63(), static_cast<long long>(w4 >> 1));
}

}  // namespace
