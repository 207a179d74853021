// MT19937 after the published reference algorithm of Matsumoto and Nishimura.
// The state is process-wide, as the reference interface implies.
#include "linkerkit/mt19937ar.h"

namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr unsigned long kMatrixA = 0x9908b0dfUL;
constexpr unsigned long kUpperMask = 0x80000000UL;
constexpr unsigned long kLowerMask = 0x7fffffffUL;
constexpr unsigned long kWordMask = 0xffffffffUL;

unsigned long mt[kN];
int mti = kN + 1;  // kN + 1: never seeded

unsigned long Twist(unsigned long upper, unsigned long lower, unsigned long middle) {
  static constexpr unsigned long mag01[2] = {0x0UL, kMatrixA};
  const unsigned long y = (upper & kUpperMask) | (lower & kLowerMask);
  return middle ^ (y >> 1) ^ mag01[y & 0x1UL];
}

}  // namespace

void init_genrand(unsigned long s) {
  mt[0] = s & kWordMask;
  for (mti = 1; mti < kN; mti++) {
    mt[mti] = (1812433253UL * (mt[mti - 1] ^ (mt[mti - 1] >> 30)) + static_cast<unsigned long>(mti));
    mt[mti] &= kWordMask;
  }
}

void init_by_array(unsigned long init_key[], int key_length) {
  init_genrand(19650218UL);
  int i = 1;
  int j = 0;
  for (int k = (kN > key_length ? kN : key_length); k; k--) {
    // An empty key mixes in zeros instead of reading past the caller's array.
    const unsigned long key = key_length > 0 ? init_key[j] : 0UL;
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1664525UL)) + key + static_cast<unsigned long>(j);
    mt[i] &= kWordMask;
    i++;
    j++;
    if (i >= kN) {
      mt[0] = mt[kN - 1];
      i = 1;
    }
    if (j >= key_length) j = 0;
  }
  for (int k = kN - 1; k; k--) {
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1566083941UL)) - static_cast<unsigned long>(i);
    mt[i] &= kWordMask;
    i++;
    if (i >= kN) {
      mt[0] = mt[kN - 1];
      i = 1;
    }
  }
  mt[0] = 0x80000000UL;
}

unsigned long genrand_int32(void) {
  if (mti >= kN) {
    if (mti == kN + 1) init_genrand(5489UL);
    int kk = 0;
    for (; kk < kN - kM; kk++) mt[kk] = Twist(mt[kk], mt[kk + 1], mt[kk + kM]);
    for (; kk < kN - 1; kk++) mt[kk] = Twist(mt[kk], mt[kk + 1], mt[kk + (kM - kN)]);
    mt[kN - 1] = Twist(mt[kN - 1], mt[0], mt[kM - 1]);
    mti = 0;
  }
  unsigned long y = mt[mti++];
  y ^= (y >> 11);
  y ^= (y << 7) & 0x9d2c5680UL;
  y ^= (y << 15) & 0xefc60000UL;
  y ^= (y >> 18);
  return y;
}

long genrand_int31(void) { return static_cast<long>(genrand_int32() >> 1); }

double genrand_real1(void) { return static_cast<double>(genrand_int32()) * (1.0 / 4294967295.0); }

double genrand_real2(void) { return static_cast<double>(genrand_int32()) * (1.0 / 4294967296.0); }

double genrand_real3(void) { return (static_cast<double>(genrand_int32()) + 0.5) * (1.0 / 4294967296.0); }

double genrand_res53(void) {
  const unsigned long a = genrand_int32() >> 5;
  const unsigned long b = genrand_int32() >> 6;
  return (static_cast<double>(a) * 67108864.0 + static_cast<double>(b)) * (1.0 / 9007199254740992.0);
}
