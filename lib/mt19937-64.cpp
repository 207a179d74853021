// MT19937-64 after the published reference algorithm of Nishimura and Matsumoto.
// The state is process-wide, as the reference interface implies.
#include "linkerkit/mt19937-64.h"

namespace {

constexpr int kNN = 312;
constexpr int kMM = 156;
constexpr unsigned long long kMatrixA = 0xB5026F5AA96619E9ULL;
constexpr unsigned long long kUpperMask = 0xFFFFFFFF80000000ULL;
constexpr unsigned long long kLowerMask = 0x7FFFFFFFULL;

unsigned long long mt[kNN];
int mti = kNN + 1;  // kNN + 1: never seeded

unsigned long long Twist(unsigned long long upper, unsigned long long lower, unsigned long long middle) {
  static constexpr unsigned long long mag01[2] = {0ULL, kMatrixA};
  const unsigned long long x = (upper & kUpperMask) | (lower & kLowerMask);
  return middle ^ (x >> 1) ^ mag01[x & 1ULL];
}

}  // namespace

void init_genrand64(unsigned long long seed) {
  mt[0] = seed;
  for (mti = 1; mti < kNN; mti++) {
    mt[mti] = (6364136223846793005ULL * (mt[mti - 1] ^ (mt[mti - 1] >> 62)) + static_cast<unsigned long long>(mti));
  }
}

void init_by_array64(unsigned long long init_key[], unsigned long long key_length) {
  init_genrand64(19650218ULL);
  unsigned long long i = 1;
  unsigned long long j = 0;
  for (unsigned long long k = (kNN > key_length ? kNN : key_length); k; k--) {
    // An empty key mixes in zeros instead of reading past the caller's array.
    const unsigned long long key = key_length > 0 ? init_key[j] : 0ULL;
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 62)) * 3935559000370003845ULL)) + key + j;
    i++;
    j++;
    if (i >= kNN) {
      mt[0] = mt[kNN - 1];
      i = 1;
    }
    if (j >= key_length) j = 0;
  }
  for (unsigned long long k = kNN - 1; k; k--) {
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 62)) * 2862933555777941757ULL)) - i;
    i++;
    if (i >= kNN) {
      mt[0] = mt[kNN - 1];
      i = 1;
    }
  }
  mt[0] = 1ULL << 63;
}

unsigned long long genrand64_int64(void) {
  if (mti >= kNN) {
    if (mti == kNN + 1) init_genrand64(5489ULL);
    int i = 0;
    for (; i < kNN - kMM; i++) mt[i] = Twist(mt[i], mt[i + 1], mt[i + kMM]);
    for (; i < kNN - 1; i++) mt[i] = Twist(mt[i], mt[i + 1], mt[i + (kMM - kNN)]);
    mt[kNN - 1] = Twist(mt[kNN - 1], mt[0], mt[kMM - 1]);
    mti = 0;
  }
  unsigned long long x = mt[mti++];
  x ^= (x >> 29) & 0x5555555555555555ULL;
  x ^= (x << 17) & 0x71D67FFFEDA60000ULL;
  x ^= (x << 37) & 0xFFF7EEE000000000ULL;
  x ^= (x >> 43);
  return x;
}

long long genrand64_int63(void) { return static_cast<long long>(genrand64_int64() >> 1); }

double genrand64_real1(void) { return static_cast<double>(genrand64_int64() >> 11) * (1.0 / 9007199254740991.0); }

double genrand64_real2(void) { return static_cast<double>(genrand64_int64() >> 11) * (1.0 / 9007199254740992.0); }

double genrand64_real3(void) {
  return (static_cast<double>(genrand64_int64() >> 12) + 0.5) * (1.0 / 4503599627370496.0);
}
