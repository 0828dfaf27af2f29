#pragma once
// Layers I and II: bit allocation, scale factors and requantisation of the subband samples.

#include "player/mpeg/bit_reader.h"
#include "player/mpeg/frame_header.h"
#include "player/mpeg/subband_frame.h"

namespace skyloom::player {

// `bits` starts after the header and the CRC word. Fills frame.slots (12 or 36) time slots for
// each of the stream's channels; subbands without allocation are 0.
void decodeLayer1(BitReader& bits, const FrameHeader& header, SubbandFrame& frame);
void decodeLayer2(BitReader& bits, const FrameHeader& header, int bitRate, SubbandFrame& frame);

}  // namespace skyloom::player
