#pragma once
// Layer III: side information, the bit reservoir, scale factors, Huffman-coded spectra,
// requantisation, stereo processing, and the hybrid filter bank (antialiasing, IMDCT,
// overlap-add) down to subband samples.

#include <cstddef>
#include <cstdint>

#include "player/mpeg/frame_header.h"
#include "player/mpeg/subband_frame.h"

namespace skyloom::player {

class SubbandLevels;

class Layer3Decoder {
 public:
  // The most main data one frame can add to the reservoir.
  static constexpr int kMaxFrameBytes = 8192;

  // Clears the overlap-add state and the bit reservoir.
  void reset();

  // Decodes the frame whose header is `header` from the bytes after its header and CRC word
  // (`data`, `bytes`). Fills one granule (18 slots) at the low sample rates, two otherwise.
  // False when the side information is not decodable; the reservoir still takes the frame's
  // main data then. Frames whose reservoir reference reaches before what was kept decode to
  // silence. Each granule's subband levels go to `levels` when it is not null.
  bool decode(const FrameHeader& header, const std::uint8_t* data, std::size_t bytes,
              SubbandFrame& frame, SubbandLevels* levels);

  struct Granule;

 private:
  void keepMainData(const std::uint8_t* mainData, std::size_t bytes);
  void hybrid(int ch, const Granule& g, int longSubbands, float* xr, int nonzeroEnd,
              float (*out)[kSubbands], int slot0);

  static constexpr int kReservoirBytes = 511;  // the farthest main_data_begin reaches back
  std::uint8_t reservoir_[kReservoirBytes] = {};
  int reservoirBytes_ = 0;
  alignas(32) float overlap_[2][kSubbands][18] = {};
  // Scale factors of granule 0, reused by granule 1 where scfsi says so.
  unsigned char keptScale_[2][22] = {};
  alignas(32) float xr_[2][576] = {};
  alignas(32) float q_[576] = {};  // |value|^(4/3) with sign, before scaling
  std::uint8_t mainData_[kReservoirBytes + kMaxFrameBytes + 16] = {};
};

}  // namespace skyloom::player
