#pragma once
// Layer III tables: scale factor bands per sample rate and the scale factor field widths.

namespace skyloom::player {

struct ScaleFactorBands {
  short longStart[23];   // first line of each long band (22 bands), then 576
  short shortStart[14];  // first line of each short band within one window (13 bands), then 192
};

// By FrameHeader::rateTableIndex().
const ScaleFactorBands& scaleFactorBands(int rateIndex);

// MPEG-1 scale factor widths by scalefac_compress.
extern const unsigned char kSlen1[16];
extern const unsigned char kSlen2[16];

// Added to the long bands' scale factors when preflag is set.
extern const unsigned char kPreEmphasis[22];

// MPEG-2 scale factors: bands per partition by [table][long, short, mixed][partition].
extern const unsigned char kLowRatePartitions[6][3][4];

}  // namespace skyloom::player
