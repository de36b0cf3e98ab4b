#include "cli/png_image.h"

#if CANTORA_HAVE_PNG
#include <png.h>

#include <new>
#endif

namespace cli {

#if CANTORA_HAVE_PNG

namespace {

// Where the encoder's bytes go. No exception may cross libpng's C frames, so
// running out of memory is only noted here and reported at the end.
struct PngSink {
  std::vector<unsigned char>& bytes;
  bool outOfMemory = false;
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (sink->outOfMemory) return;
  try {
    sink->bytes.insert(sink->bytes.end(), data, data + length);
  } catch (const std::bad_alloc&) {
    sink->outOfMemory = true;
  }
}

void noFlush(png_structp) {}

}  // namespace

bool pngAvailable() {
  return true;
}

bool encodePng(const std::uint32_t* pixels, int width, int height, std::vector<unsigned char>& out,
               std::string& error) {
  out.clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    error = "out of memory for the PNG encoder";
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  PngSink sink{out};
  // libpng reports its errors by a long jump back here; nothing with a
  // destructor is created between the setjmp and the writing below.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "the PNG encoder failed";
    out.clear();
    return false;
  }
  png_set_write_fn(png, &sink, &appendBytes, &noFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* source = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<png_byte>(source[x] >> 16);
      row[3 * x + 1] = static_cast<png_byte>(source[x] >> 8);
      row[3 * x + 2] = static_cast<png_byte>(source[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (sink.outOfMemory) {
    error = "out of memory for the PNG file";
    out.clear();
    return false;
  }
  return true;
}

#else

bool pngAvailable() {
  return false;
}

bool encodePng(const std::uint32_t*, int, int, std::vector<unsigned char>& out,
               std::string& error) {
  out.clear();
  error = "this build of cantora-cli cannot write PNG files";
  return false;
}

#endif

}  // namespace cli
