// JPEG decoding through libjpeg's 6b interface, from bytes in memory.
//
// libjpeg reports fatal errors through error_exit, which must not return. Ours longjmps back to
// the one function that called setjmp; that function holds no C++ objects, and everything it
// allocates lives in a state record owned by its caller, which frees it whatever the outcome.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstring>

#include <jpeglib.h>

#include "resources/image.h"

namespace skyloom {

namespace {

struct JpegErrorManager {
  jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to the whole record
  std::jmp_buf jump;
};

struct JpegMemorySource {
  jpeg_source_mgr base;
  bool ranOut = false;  // the data ended before the image did
};

struct JpegDecodeState {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  JpegMemorySource source;
  bool created = false;
  std::uint8_t* pixels = nullptr;  // owned; handed to the image on success
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Two bytes of an end-of-image marker, fed when the data runs out so the library finishes.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(error->jump, 1);
}

void discardMessage(j_common_ptr) {}

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<JpegMemorySource*>(cinfo->src);
  source->ranOut = true;
  source->base.next_input_byte = kEndOfImage;
  source->base.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
    source->bytes_in_buffer = 0;
    fillInput(cinfo);
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void termSource(j_decompress_ptr) {}

void attachSource(JpegDecodeState* s, const std::uint8_t* data, std::size_t size) {
  jpeg_source_mgr& src = s->source.base;
  src.next_input_byte = data;
  src.bytes_in_buffer = size;
  src.init_source = initSource;
  src.fill_input_buffer = fillInput;
  src.skip_input_data = skipInput;
  src.resync_to_restart = jpeg_resync_to_restart;
  src.term_source = termSource;
  s->cinfo.src = &src;
}

// Grey pixels decoded into the front of an R, G, B row, spread out from the back so that no
// value is overwritten before it is read.
void expandGreyRow(std::uint8_t* row, std::uint32_t width) {
  for (std::uint32_t x = width; x-- > 0;) {
    const std::uint8_t v = row[x];
    row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
  }
}

// Runs the whole decode; false on any error. Calls setjmp, so it keeps all of its state in *s.
bool runDecode(JpegDecodeState* s, const std::uint8_t* data, std::size_t size) {
  s->cinfo.err = jpeg_std_error(&s->error.base);
  s->error.base.error_exit = jumpBack;
  s->error.base.output_message = discardMessage;
  if (setjmp(s->error.jump)) return false;

  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  attachSource(s, data, size);
  jpeg_read_header(&s->cinfo, TRUE);
  if (!imageSizeAllowed(s->cinfo.image_width, s->cinfo.image_height)) return false;
  const bool grey = s->cinfo.num_components == 1;
  s->cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&s->cinfo);
  if (s->cinfo.output_components != (grey ? 1 : 3)) return false;

  s->width = s->cinfo.output_width;
  s->height = s->cinfo.output_height;
  s->pixels = allocatePixels(s->width, s->height, 3).release();
  if (!s->pixels) return false;
  const std::size_t stride = std::size_t{s->width} * 3;
  while (s->cinfo.output_scanline < s->height) {
    JSAMPROW row = s->pixels + s->cinfo.output_scanline * stride;
    if (jpeg_read_scanlines(&s->cinfo, &row, 1) != 1) return false;
    if (s->source.ranOut) return false;  // a truncated file: the rest would be made-up grey
    if (grey) expandGreyRow(row, s->width);
  }
  jpeg_finish_decompress(&s->cinfo);
  return true;
}

}  // namespace

bool decodeJpeg(std::span<const std::uint8_t> bytes, Image& out) {
  out.reset();
  if (bytes.empty()) return false;
  JpegDecodeState s{};
  const bool ok = runDecode(&s, bytes.data(), bytes.size());
  if (s.created) jpeg_destroy_decompress(&s.cinfo);
  if (!ok) {
    delete[] s.pixels;
    return false;
  }
  out.pixels.reset(s.pixels);
  out.width = s.width;
  out.height = s.height;
  out.kind = kImageRgb;
  return true;
}

}  // namespace skyloom
