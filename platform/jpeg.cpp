// JPEG decode and encode on libjpeg-turbo. The library reports errors through a
// callback that must not return; ours jumps back to the call that started the
// operation, which then tears the library state down and returns a status.
// Functions that call setjmp hold no objects with destructors, and all buffers
// live in the public functions' frames, so nothing leaks on any path.
#include "platform/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace velkor {

namespace {

struct ErrorTrap {
  jpeg_error_mgr mgr;  // first, so the library's err pointer is also the trap's
  std::jmp_buf jump;
  int status;
};

[[noreturn]] void JumpToTrap(j_common_ptr cinfo, int status) {
  ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
  trap->status = status;
  std::longjmp(trap->jump, 1);
}

void ExitToTrap(j_common_ptr cinfo) {
  JumpToTrap(cinfo, cinfo->err->msg_code == JERR_OUT_OF_MEMORY ? kJpegNoMemory : kJpegBadData);
}

// Warnings that mean the picture is incomplete or damaged: the library would
// fill the gap with grey, but a damaged file is refused instead.
bool IsDamageWarning(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

void NoteMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && IsDamageWarning(cinfo->err->msg_code)) JumpToTrap(cinfo, kJpegBadData);
}

void DiscardMessage(j_common_ptr) {}

jpeg_error_mgr* InstallTrap(ErrorTrap& trap) {
  jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = ExitToTrap;
  trap.mgr.emit_message = NoteMessage;
  trap.mgr.output_message = DiscardMessage;
  trap.status = kJpegOk;
  return &trap.mgr;
}

// Adobe-style CMYK files (what the library writes and most tools produce)
// store inverted ink values; others store plain ink.
void CmykRowToRgb(const JSAMPLE* cmyk, std::uint8_t* rgb, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    for (int c = 0; c < 3; ++c) {
      const int ink = inverted ? cmyk[c] : 255 - cmyk[c];
      const int key = inverted ? cmyk[3] : 255 - cmyk[3];
      rgb[c] = static_cast<std::uint8_t>((ink * key + 127) / 255);
    }
  }
}

bool DimensionsAllowed(JDIMENSION width, JDIMENSION height) {
  if (width == 0 || height == 0) return false;
  if (width > static_cast<JDIMENSION>(kJpegMaxSide) || height > static_cast<JDIMENSION>(kJpegMaxSide)) return false;
  return static_cast<std::size_t>(width) * height <= kJpegMaxPixels;
}

int DecodeWithTrap(jpeg_decompress_struct& cinfo, ErrorTrap& trap, const std::uint8_t* data, std::size_t size,
                   JpegImage& image) {
  if (setjmp(trap.jump)) return trap.status;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!DimensionsAllowed(cinfo.image_width, cinfo.image_height)) return kJpegTooLarge;

  bool cmyk = false;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo.out_color_space = JCS_RGB;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      return kJpegUnsupported;
  }
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  jpeg_start_decompress(&cinfo);

  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  try {
    image.rgb.resize(rowBytes * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    return kJpegNoMemory;
  }
  JSAMPARRAY cmykRow = nullptr;
  if (cmyk)
    cmykRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         static_cast<JDIMENSION>(width) * 4, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dest = image.rgb.data() + rowBytes * cinfo.output_scanline;
    if (cmyk) {
      if (jpeg_read_scanlines(&cinfo, cmykRow, 1) != 1) return kJpegBadData;
      CmykRowToRgb(cmykRow[0], dest, width, cinfo.saw_Adobe_marker != 0);
    } else {
      JSAMPROW row = dest;
      if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return kJpegBadData;
    }
  }
  jpeg_finish_decompress(&cinfo);
  image.width = width;
  image.height = height;
  image.channels = cinfo.num_components;
  return kJpegOk;
}

// Compressed output appended to a vector that grows as the library fills it.
struct VectorDestination {
  jpeg_destination_mgr pub;  // first, so the library's dest pointer is also ours
  std::vector<std::uint8_t>* out;
};

constexpr std::size_t kOutputChunk = 65536;

void StartOutput(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  try {
    dest->out->resize(kOutputChunk);
  } catch (const std::bad_alloc&) {
    JumpToTrap(reinterpret_cast<j_common_ptr>(cinfo), kJpegNoMemory);
  }
  dest->pub.next_output_byte = dest->out->data();
  dest->pub.free_in_buffer = dest->out->size();
}

boolean GrowOutput(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const std::size_t used = dest->out->size();
  try {
    dest->out->resize(used * 2);
  } catch (const std::bad_alloc&) {
    JumpToTrap(reinterpret_cast<j_common_ptr>(cinfo), kJpegNoMemory);
  }
  dest->pub.next_output_byte = dest->out->data() + used;
  dest->pub.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void FinishOutput(j_compress_ptr cinfo) {
  VectorDestination* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct EncodeRequest {
  const std::uint8_t* pixels;
  int width;
  int height;
  int components;
  J_COLOR_SPACE space;
  int quality;
};

int EncodeWithTrap(jpeg_compress_struct& cinfo, ErrorTrap& trap, VectorDestination& dest,
                   const EncodeRequest& request) {
  if (setjmp(trap.jump)) return trap.status;
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = StartOutput;
  dest.pub.empty_output_buffer = GrowOutput;
  dest.pub.term_destination = FinishOutput;
  cinfo.dest = &dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(request.width);
  cinfo.image_height = static_cast<JDIMENSION>(request.height);
  cinfo.input_components = request.components;
  cinfo.in_color_space = request.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, request.quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(request.width) * request.components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(request.pixels + rowBytes * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return kJpegOk;
}

std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& pixels, int width, int height, int components,
                                 J_COLOR_SPACE space, int quality) {
  std::vector<std::uint8_t> out;
  if (width <= 0 || height <= 0 || width > 65500 || height > 65500) return out;
  if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * components) return out;
  const EncodeRequest request{pixels.data(), width, height, components, space,
                              quality < 1 ? 1 : (quality > 100 ? 100 : quality)};
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorTrap trap;
  cinfo.err = InstallTrap(trap);
  VectorDestination dest;
  std::memset(&dest, 0, sizeof dest);
  dest.out = &out;
  const int status = EncodeWithTrap(cinfo, trap, dest, request);
  jpeg_destroy_compress(&cinfo);
  if (status != kJpegOk) out.clear();
  return out;
}

}  // namespace

const char* JpegStatusText(int status) {
  switch (status) {
    case kJpegOk: return "ok";
    case kJpegUnreadableFile: return "cannot read file";
    case kJpegBadData: return "not a JPEG file, or truncated or corrupt";
    case kJpegUnsupported: return "unsupported JPEG colour space";
    case kJpegTooLarge: return "JPEG image too large";
    case kJpegNoMemory: return "out of memory";
    case kJpegBadArgument: return "bad argument";
    default: return "unknown JPEG error";
  }
}

int DecodeJpegRgb(const std::uint8_t* data, std::size_t size, JpegImage& image) {
  image = JpegImage{};
  if (!data || size == 0) return kJpegBadData;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorTrap trap;
  cinfo.err = InstallTrap(trap);
  const int status = DecodeWithTrap(cinfo, trap, data, size, image);
  jpeg_destroy_decompress(&cinfo);
  if (status != kJpegOk) image = JpegImage{};
  return status;
}

std::vector<std::uint8_t> EncodeJpegRgb(const std::vector<std::uint8_t>& rgb, int width, int height, int quality) {
  return Encode(rgb, width, height, 3, JCS_RGB, quality);
}

std::vector<std::uint8_t> EncodeJpegGrey(const std::vector<std::uint8_t>& grey, int width, int height, int quality) {
  return Encode(grey, width, height, 1, JCS_GRAYSCALE, quality);
}

}  // namespace velkor
