#include "player/mpeg/synthesis.h"

#include <cmath>
#include <numbers>

namespace skyloom::player {
namespace {

// The synthesis window's prototype, D[i] * 65536 for i = 0..256 as published; the rest of the
// window mirrors it (see Window below).
constexpr int kWindowPrototype[257] = {
    0,      -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,     -2,     -3,
    -3,     -4,     -4,     -5,     -5,     -6,     -7,     -7,     -8,     -9,     -10,    -11,
    -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,    -29,    -31,    -35,    -38,
    -41,    -45,    -49,    -53,    -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
    -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,   -161,   -169,   -176,   -183,
    -190,   -196,   -202,   -208,   -213,   -218,   -222,   -225,   -227,   -228,   -228,   -227,
    -224,   -221,   -215,   -208,   -200,   -189,   -177,   -163,   -146,   -127,   -106,   -83,
    -57,    -29,    2,      36,     72,     111,    153,    197,    244,    294,    347,    401,
    459,    519,    581,    645,    711,    779,    848,    919,    991,    1064,   1137,   1210,
    1283,   1356,   1428,   1498,   1567,   1634,   1698,   1759,   1817,   1870,   1919,   1962,
    2001,   2032,   2057,   2075,   2085,   2087,   2080,   2063,   2037,   2000,   1952,   1893,
    1822,   1739,   1644,   1535,   1414,   1280,   1131,   970,    794,    605,    402,    185,
    -45,    -288,   -545,   -814,   -1095,  -1388,  -1692,  -2006,  -2330,  -2663,  -3004,  -3351,
    -3705,  -4063,  -4425,  -4788,  -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
    -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,  -9727,  -9838,  -9916,  -9959,
    -9966,  -9935,  -9863,  -9750,  -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
    -6574,  -5959,  -5288,  -4561,  -3776,  -2935,  -2037,  -1082,  -70,    998,    2122,   3300,
    4533,   5818,   7154,   8540,   9975,   11455,  12980,  14548,  16155,  17799,  19478,  21189,
    22929,  24694,  26482,  28289,  30112,  31947,  33791,  35640,  37489,  39336,  41176,  43006,
    44821,  46617,  48390,  50137,  51853,  53534,  55178,  56778,  58333,  59838,  61289,  62684,
    64019,  65290,  66494,  67629,  68692,  69679,  70590,  71420,  72169,  72835,  73415,  73908,
    74313,  74630,  74856,  74992,  75038};

// D[i] = h(i) * (-1)^floor(i / 64), with the prototype h symmetric about 256: the sign pattern
// folds the modulation's (-1)^m terms into the window so that the 64-value blocks can be used as
// the matrixing produces them.
struct Window {
  alignas(32) float d[512];
  Window() {
    for (int i = 0; i < 512; ++i) {
      const int proto = kWindowPrototype[i <= 256 ? i : 512 - i];
      const double sign = ((i / 64) & 1) ? -1.0 : 1.0;
      d[i] = static_cast<float>(sign * proto / 65536.0);
    }
  }
};

const Window& window() {
  static const Window w;
  return w;
}

// Scale factors 1 / (2 cos(pi (2k + 1) / (2N))) of the DCT's odd half, for N = 32, 16, 8, 4, 2.
struct DctFactors {
  float f32[16], f16[8], f8[4], f4[2], f2[1];
  DctFactors() {
    fill(f32, 32);
    fill(f16, 16);
    fill(f8, 8);
    fill(f4, 4);
    fill(f2, 2);
  }
  static void fill(float* f, int n) {
    for (int k = 0; k < n / 2; ++k)
      f[k] = static_cast<float>(0.5 / std::cos(std::numbers::pi * (2 * k + 1) / (2.0 * n)));
  }
  const float* forSize(int n) const {
    switch (n) {
      case 32: return f32;
      case 16: return f16;
      case 8: return f8;
      case 4: return f4;
      default: return f2;
    }
  }
};

const DctFactors& dctFactors() {
  static const DctFactors f;
  return f;
}

// X[i] = sum_k x[k] cos(pi (2k + 1) i / (2N)), split into its even and odd halves recursively.
template <int N>
inline void dct(const float* x, float* out, const DctFactors& f) {
  if constexpr (N == 1) {
    out[0] = x[0];
  } else {
    constexpr int H = N / 2;
    const float* c = f.forSize(N);
    float sum[H], diff[H], even[H], odd[H];
    for (int k = 0; k < H; ++k) {
      sum[k] = x[k] + x[N - 1 - k];
      diff[k] = (x[k] - x[N - 1 - k]) * c[k];
    }
    dct<H>(sum, even, f);
    dct<H>(diff, odd, f);
    for (int m = 0; m < H - 1; ++m) {
      out[2 * m] = even[m];
      out[2 * m + 1] = odd[m] + odd[m + 1];
    }
    out[N - 2] = even[H - 1];
    out[N - 1] = odd[H - 1];
  }
}

}  // namespace

void fastMatrixing(const float* s, float* v) {
  float a[32];
  dct<32>(s, a, dctFactors());
  // V[i] = A[16 + i] (i < 16), 0 (i = 16), -A[48 - i] (i < 48), -A[i - 48] (i < 64).
  for (int i = 0; i < 16; ++i) v[i] = a[16 + i];
  v[16] = 0.0f;
  for (int i = 17; i < 48; ++i) v[i] = -a[48 - i];
  for (int i = 48; i < 64; ++i) v[i] = -a[i - 48];
}

void referenceMatrixing(const float* s, double* v) {
  for (int i = 0; i < 64; ++i) {
    double sum = 0.0;
    for (int k = 0; k < 32; ++k)
      sum += std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64.0) * s[k];
    v[i] = sum;
  }
}

void SynthesisFilter::reset() {
  for (auto& block : blocks_)
    for (float& x : block) x = 0.0f;
  newest_ = 0;
}

void SynthesisFilter::run(const float* subbands, float* out) {
  newest_ = (newest_ + 15) & 15;
  fastMatrixing(subbands, blocks_[newest_]);
  const float* d = window().d;
  alignas(32) float acc[32] = {};
  // out[j] = sum over the 8 block pairs of the even block's first half and the odd block's
  // second half, each weighted by its stretch of the window.
  for (int i = 0; i < 8; ++i) {
    const float* even = blocks_[(newest_ + 2 * i) & 15];
    const float* odd = blocks_[(newest_ + 2 * i + 1) & 15] + 32;
    const float* de = d + 64 * i;
    const float* dO = d + 64 * i + 32;
    for (int j = 0; j < 32; ++j) acc[j] += even[j] * de[j] + odd[j] * dO[j];
  }
  for (int j = 0; j < 32; ++j) out[j] = acc[j];
}

}  // namespace skyloom::player
