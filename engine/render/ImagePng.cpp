// Render: PNG reading for the texture makers, through libpng.
//
// Every colour type and bit depth comes out as 8-bit RGB, or RGBA when the
// file carries alpha (an alpha channel, or transparency entries for a
// palette, a grey level or a colour). 16-bit channels are scaled to 8 bits
// with rounding; gamma and colour-profile chunks are not applied, so the
// stored values are what the texture gets, as with TGA. Rows come out bottom
// row first, the order a bottom-left TGA of the same picture gives.
//
// The file is decoded from memory (read whole, with the TGA reader's cap).
// The header's size is checked against the same pixel budget as TGA before
// any pixel memory is allocated, and libpng's own limits bound what its
// ancillary chunks may take.
//
// libpng reports errors by longjmp, so the decoding function holds no C++
// objects and keeps what it allocates in a plain record the error path can
// free.
#include "render/Render.h"

#include "Cp1251.h"

#include <GL/gl.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Everything the decoder touches, so that the longjmp error path finds it.
struct PngJob {
  const unsigned char* data;
  size_t size;
  size_t pos;
  png_structp png;
  png_infop info;
  unsigned char* pixels;
  png_bytep* rows;
  const char* failure;  // the box text for the refusal
  char message[160];    // libpng's words
};

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
  PngJob* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (n > job->size - job->pos) png_error(png, "file ends early");
  std::memcpy(out, job->data + job->pos, n);
  job->pos += n;
}

void OnError(png_structp png, png_const_charp message) {
  PngJob* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof(job->message), "%s", message ? message : "?");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Decodes job->data into job->pixels (width x height x channels, rows
// bottom-up). False with job->failure and job->message set on any error.
bool Run(PngJob* job, png_uint_32* width, png_uint_32* height, int* channels) {
  if (setjmp(png_jmpbuf(job->png))) {
    if (!job->failure) job->failure = "Could not read image data";
    return false;
  }
  png_set_read_fn(job->png, job, ReadFromMemory);
  // The budget below is checked by us; libpng's own size limit must not
  // refuse first. Ancillary chunks (text, profiles) are not used: cap what
  // their decompression may allocate and how many are kept.
  png_set_user_limits(job->png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_chunk_malloc_max(job->png, 1u << 20);
  png_set_chunk_cache_max(job->png, 128);
  job->failure = "Could not read file header";
  png_read_info(job->png, job->info);
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(job->png, job->info, width, height, &depth, &colour, &interlace, nullptr, nullptr);
  if (*width == 0 || *height == 0 ||
      static_cast<unsigned long long>(*width) * *height > kMaxTgaPixels || *width > kMaxTgaSide ||
      *height > kMaxTgaSide) {
    job->failure = "Image too large";
    std::snprintf(job->message, sizeof(job->message), "%ux%u", static_cast<unsigned>(*width),
                  static_cast<unsigned>(*height));
    return false;
  }
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(job->png);
  if ((colour & PNG_COLOR_MASK_COLOR) == 0 && depth < 8) png_set_expand_gray_1_2_4_to_8(job->png);
  if (png_get_valid(job->png, job->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(job->png);
  if (depth == 16) png_set_scale_16(job->png);
  if ((colour & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(job->png);
  png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);
  *channels = png_get_channels(job->png, job->info);
  const size_t rowBytes = png_get_rowbytes(job->png, job->info);
  if ((*channels != 3 && *channels != 4) || rowBytes != static_cast<size_t>(*width) * *channels) {
    job->failure = "Invalid texture information";
    std::snprintf(job->message, sizeof(job->message), "%d channels", *channels);
    return false;
  }
  job->failure = "Could not allocate memory for image";
  job->pixels = static_cast<unsigned char*>(std::malloc(rowBytes * *height));
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * *height));
  if (!job->pixels || !job->rows) {
    std::snprintf(job->message, sizeof(job->message), "out of memory");
    return false;
  }
  // The file stores the top row first; the image wants it last.
  for (png_uint_32 y = 0; y < *height; ++y)
    job->rows[y] = job->pixels + (*height - 1 - y) * rowBytes;
  job->failure = "Could not read image data";
  png_read_image(job->png, job->rows);
  return true;
}

}  // namespace

bool IsPngSignature(const unsigned char* data, size_t n) {
  return data && n >= sizeof(kSignature) && std::memcmp(data, kSignature, sizeof(kSignature)) == 0;
}

bool DecodePNG(SImageTGA* image, const unsigned char* data, size_t size) {
  image->data = nullptr;
  TgaLastReason = nullptr;
  if (!IsPngSignature(data, size)) {
    ImageReaderFail("Could not read file header");
    return false;
  }
  PngJob job;
  std::memset(&job, 0, sizeof(job));
  job.data = data;
  job.size = size;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  if (!job.png || !job.info) {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    ImageReaderFail("Could not allocate memory for image");
    return false;
  }
  png_uint_32 width = 0, height = 0;
  int channels = 0;
  const bool ok = Run(&job, &width, &height, &channels);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  std::free(job.rows);
  if (!ok) {
    std::free(job.pixels);
    std::snprintf(TgaLastReasonText, sizeof(TgaLastReasonText), RU("PNG не прочитан (%s)"),
                  job.message);
    TgaLastReason = TgaLastReasonText;
    ImageReaderFail(job.failure);
    return false;
  }
  image->data = job.pixels;
  image->width = width;
  image->height = height;
  image->bpp = static_cast<unsigned>(channels) * 8;
  image->format = channels == 4 ? GL_RGBA : GL_RGB;
  return true;
}
