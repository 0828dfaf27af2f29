#include "player/mpeg/mpeg_stream.h"

#include <vector>

namespace skyloom::player {

std::size_t id3v2TagBytes(std::span<const std::uint8_t> file) {
  if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return 0;
  if (file[3] == 0xFF || file[4] == 0xFF) return 0;
  std::size_t size = 0;
  for (int i = 6; i < 10; ++i) {
    if (file[i] & 0x80) return 0;  // not synchsafe: not a tag
    size = (size << 7) | file[i];
  }
  size += 10;
  if (file[5] & 0x10) size += 10;  // footer
  return size <= file.size() ? size : file.size();
}

bool findFrame(std::span<const std::uint8_t> bytes, std::size_t from, const FrameHeader* stream, FoundFrame& found) {
  std::size_t pos = from;
  while (pos + 4 <= bytes.size()) {
    FrameHeader header;
    int bitRate = 0;
    int skipped = 0;
    const int frameBytes = parseHeader(bytes.subspan(pos), header, bitRate, skipped);
    if (skipped < 0) return false;
    const std::size_t at = pos + static_cast<std::size_t>(skipped);
    if (frameBytes > 0 &&
        (!stream || (sameStream(*stream, header) && stream->channels() == header.channels()))) {
      found.offset = at;
      found.header = header;
      found.frameBytes = frameBytes;
      found.bitRate = bitRate;
      return true;
    }
    pos = at + 1;
  }
  return false;
}

StreamSummary decodeStream(std::span<const std::uint8_t> file, const StreamOptions& options, const PcmSink& sink) {
  StreamSummary summary;
  summary.tagBytes = id3v2TagBytes(file);
  FrameDecoder decoder;
  decoder.setLevelSink(options.levelSink);
  auto start = [&](const FoundFrame& f) {
    return decoder.init(f.header, f.frameBytes, options.reduction, 0, options.convert, options.frequencyLimit);
  };

  FoundFrame frame;
  std::size_t from = summary.tagBytes;
  while (!summary.found && findFrame(file, from, nullptr, frame)) {
    summary.found = start(frame);
    from = frame.offset + 1;
  }
  if (!summary.found) return summary;
  summary.first = frame;
  summary.output = decoder.info();

  std::vector<std::uint8_t> out(options.outputBytes);
  std::size_t pos = frame.offset;
  while (pos < file.size()) {
    const DecodeResult r = decoder.decode(file.subspan(pos), out);
    if (r.usedBytes > 0) {
      ++summary.framesDecoded;
      summary.pcmBytes += static_cast<std::uint64_t>(r.outputBytes);
      if (sink && r.outputBytes > 0) sink(std::span<const std::uint8_t>(out.data(), static_cast<std::size_t>(r.outputBytes)));
      pos += static_cast<std::size_t>(r.usedBytes);
      continue;
    }
    // An ID3v1 tag closing the file is no damaged frame.
    if (file.size() - pos == 128 && file[pos] == 'T' && file[pos + 1] == 'A' && file[pos + 2] == 'G') break;
    // What a streaming engine does with a frame it cannot use: drop it, look for the next frame
    // of this stream from the following byte and start afresh there.
    ++summary.framesSkipped;
    std::size_t next = pos + 1;
    bool restarted = false;
    while (findFrame(file, next, &summary.first.header, frame)) {
      if (start(frame)) {
        restarted = true;
        break;
      }
      next = frame.offset + 1;
    }
    if (!restarted) break;
    pos = frame.offset;
  }
  return summary;
}

const char* mpegVersionName(const FrameHeader& header) {
  if (header.mpeg25()) return "2.5";
  return header.mpegId == 1 ? "1" : "2";
}

}  // namespace skyloom::player
