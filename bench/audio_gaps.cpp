// audio_gaps: finds the gaps in a long capture of what a program played, as it streams in.
//
//   audio_gaps REPORT [--pace] [--min-ms N] [--keep FILE.wav] < capture
//
// The capture is a WAV stream (ALSA's file plugin writes one, also into a pipe, where the
// lengths in its header stay unset) of 16-bit or 32-bit samples, integer or float; a stream
// without a RIFF header is taken as raw 16-bit stereo at 44.1 kHz. A gap is a stretch of at least N milliseconds
// (default 20) in which every sample of every channel is exactly zero: digital silence, which music and an engine's
// noise never hold for that long. --pace reads no faster than the stream plays, so a sound device without a clock of
// its own (ALSA's null device) is held to real time by the pipe.
// --keep also writes what was heard to FILE.wav, with its lengths set.
//
// Appends to REPORT one line per gap ("gap AT_SECONDS LENGTH_MS") while it runs and, at the end
// of the stream, "stream SECONDS RATE CHANNELS BITS GAPS LONGEST_MS". Each opening of the device
// starts another analyser, so a report may hold several streams.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

std::uint32_t le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool readAll(unsigned char* out, std::size_t n) { return std::fread(out, 1, n, stdin) == n; }

struct Format {
  std::uint16_t tag = 1;  // 1 integer PCM, 3 float, 0xFFFE extensible
  std::uint32_t rate = 44100;
  std::uint16_t channels = 2;
  std::uint16_t bits = 16;
  std::vector<unsigned char> chunk;  // the fmt chunk as read, for --keep
};

// Reads the RIFF header up to the data chunk. What was read of a stream without one is handed
// back in head.
bool readHeader(Format& format, std::vector<unsigned char>& head) {
  unsigned char riff[12];
  if (!readAll(riff, sizeof riff)) return false;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    head.assign(riff, riff + sizeof riff);
    return true;
  }
  for (;;) {
    unsigned char chunk[8];
    if (!readAll(chunk, sizeof chunk)) return false;
    const std::uint32_t size = le32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) return true;
    std::vector<unsigned char> body(size + (size & 1));
    if (size > 1 << 20 || !readAll(body.data(), body.size())) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
      format.chunk.assign(body.begin(), body.begin() + size);
      format.tag = le16(body.data());
      format.channels = le16(body.data() + 2);
      format.rate = le32(body.data() + 4);
      format.bits = le16(body.data() + 14);
    }
  }
}

void put(std::FILE* f, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>(v >> (8 * i)) & 0xFF, f);
}

// The header of what was read: its own fmt chunk, or 16-bit PCM for a raw stream.
void writeWaveHeader(std::FILE* f, const Format& format, std::uint64_t dataBytes) {
  std::vector<unsigned char> fmt = format.chunk;
  if (fmt.empty()) {
    const unsigned char pcm[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    fmt.assign(pcm, pcm + sizeof pcm);
  }
  const std::uint32_t fmtBytes = static_cast<std::uint32_t>(fmt.size() + (fmt.size() & 1));
  const auto data = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, 0xFFFFFFF0u - 20 - fmtBytes));
  std::fwrite("RIFF", 1, 4, f), put(f, 12 + fmtBytes + 8 + data, 4), std::fwrite("WAVEfmt ", 1, 8, f);
  put(f, static_cast<std::uint32_t>(fmt.size()), 4), std::fwrite(fmt.data(), 1, fmt.size(), f);
  if (fmt.size() & 1) std::fputc(0, f);
  std::fwrite("data", 1, 4, f), put(f, data, 4);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: audio_gaps REPORT [--pace] [--min-ms N] [--keep FILE.wav] < capture\n", stderr);
    return 2;
  }
  bool pace = false;
  double minMs = 20;
  const char* keepPath = nullptr;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pace") == 0) pace = true;
    if (std::strcmp(argv[i], "--min-ms") == 0 && i + 1 < argc) minMs = std::atof(argv[++i]);
    if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) keepPath = argv[++i];
  }
  std::FILE* report = std::fopen(argv[1], "a");
  if (!report) return 1;

  Format format;
  std::vector<unsigned char> head;
  if (!readHeader(format, head) || (format.bits != 16 && format.bits != 32) || format.channels == 0 ||
      format.rate == 0) {
    std::fprintf(report, "stream 0 0 0 0 0 (no 16-bit or 32-bit sound)\n");
    // Go on reading, so that the device's writes do not fail.
    static unsigned char sink[65536];
    while (std::fread(sink, 1, sizeof sink, stdin) > 0) {
    }
    return 1;
  }
  // Digital silence is all bytes zero in every one of these formats.
  const std::size_t frameBytes = format.bits / 8u * format.channels;
  std::FILE* keep = keepPath ? std::fopen(keepPath, "wb") : nullptr;
  if (keep) writeWaveHeader(keep, format, 0);
  const std::uint64_t minFrames = static_cast<std::uint64_t>(minMs * format.rate / 1000.0);
  std::uint64_t frames = 0, silentRun = 0, gaps = 0, longest = 0;
  auto endRun = [&] {
    if (silentRun >= minFrames && minFrames > 0) {
      ++gaps;
      if (silentRun > longest) longest = silentRun;
      std::fprintf(report, "gap %.3f %.1f\n", static_cast<double>(frames - silentRun) / format.rate,
                   1000.0 * static_cast<double>(silentRun) / format.rate);
      std::fflush(report);
    }
    silentRun = 0;
  };

  const auto start = std::chrono::steady_clock::now();
  std::vector<unsigned char> buffer(frameBytes * 4096);
  std::size_t carried = head.size();
  std::memcpy(buffer.data(), head.data(), head.size());
  for (;;) {
    const std::size_t got = std::fread(buffer.data() + carried, 1, buffer.size() - carried, stdin);
    const std::size_t have = carried + got;
    const std::size_t whole = have / frameBytes * frameBytes;
    if (keep) std::fwrite(buffer.data(), 1, whole, keep);
    for (std::size_t at = 0; at < whole; at += frameBytes) {
      bool silent = true;
      for (std::size_t b = 0; b < frameBytes; ++b) silent = silent && buffer[at + b] == 0;
      if (silent) {
        ++silentRun;
      } else {
        endRun();
      }
      ++frames;
    }
    carried = have - whole;
    std::memmove(buffer.data(), buffer.data() + whole, carried);
    if (got == 0) break;
    if (pace) {
      const auto due = start + std::chrono::duration<double>(static_cast<double>(frames) / format.rate);
      std::this_thread::sleep_until(due);
    }
  }
  endRun();
  if (keep) {
    std::fseek(keep, 0, SEEK_SET);
    writeWaveHeader(keep, format, frames * frameBytes);
    std::fclose(keep);
  }
  std::fprintf(report, "stream %.1f %u %u %u %llu %.1f\n", static_cast<double>(frames) / format.rate, format.rate,
               format.channels, format.bits, static_cast<unsigned long long>(gaps),
               1000.0 * static_cast<double>(longest) / format.rate);
  std::fclose(report);
  return 0;
}
