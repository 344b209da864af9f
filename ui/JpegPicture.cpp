#include "JpegPicture.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <limits>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg reports faults through error_exit, which must not return. Ours
// jumps back to the decoding step that was running, which then destroys the
// decompressor. The steps below run under setjmp and hold no objects with
// destructors, so the jump skips nothing that would need cleaning up.
struct TErrorManager {
  jpeg_error_mgr Pub;  // first: libjpeg hands back a pointer to it
  std::jmp_buf Escape;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr Info) {
  auto* Err = reinterpret_cast<TErrorManager*>(Info->err);
  (*Info->err->format_message)(Info, Err->Message);
  std::longjmp(Err->Escape, 1);
}

void EmitMessage(j_common_ptr Info, int Level) {
  // Level -1 is a warning: corrupt entropy data, a premature end of the
  // file and the like. Showing such a picture would show garbage.
  if (Level < 0) ErrorExit(Info);
}

void OutputMessage(j_common_ptr) {
  // Nothing goes to stderr; the caller gets the text in TJpegPicture::Error.
}

bool Create(jpeg_decompress_struct& Info, TErrorManager& Err) {
  if (setjmp(Err.Escape)) return false;
  jpeg_create_decompress(&Info);
  return true;
}

bool ReadHeader(jpeg_decompress_struct& Info, TErrorManager& Err, const std::uint8_t* Data,
                unsigned long Size) {
  if (setjmp(Err.Escape)) return false;
  jpeg_mem_src(&Info, Data, Size);
  jpeg_read_header(&Info, TRUE);
  Info.out_color_space = JCS_RGB;
  Info.scale_num = 1;
  Info.scale_denom = 1;
  jpeg_calc_output_dimensions(&Info);
  return true;
}

// Decodes into Pixels, which holds Info.output_width * output_height * 3
// bytes; false when the data turned out damaged.
bool ReadPixels(jpeg_decompress_struct& Info, TErrorManager& Err, std::uint8_t* Pixels) {
  if (setjmp(Err.Escape)) return false;
  jpeg_start_decompress(&Info);
  if (Info.output_components != 3) ERREXIT(&Info, JERR_CONVERSION_NOTIMPL);
  const std::size_t Stride = static_cast<std::size_t>(Info.output_width) * 3;
  while (Info.output_scanline < Info.output_height) {
    JSAMPROW Row = Pixels + static_cast<std::size_t>(Info.output_scanline) * Stride;
    // A source that runs dry raises an error or warning above; a zero here
    // would only come from a suspending source, which the memory source is not.
    if (jpeg_read_scanlines(&Info, &Row, 1) != 1) ERREXIT(&Info, JERR_INPUT_EOF);
  }
  jpeg_finish_decompress(&Info);
  return true;
}

TJpegPicture Failed(const char* Why) {
  TJpegPicture Picture;
  Picture.Error = Why;
  return Picture;
}

}  // namespace

TJpegPicture DecodeJpeg(const std::uint8_t* Data, std::size_t Size) {
  if (Data == nullptr || Size == 0) return Failed("Empty input file");
  if (Size > std::numeric_limits<unsigned long>::max()) return Failed("Input file too large");

  jpeg_decompress_struct Info{};
  TErrorManager Err{};
  Info.err = jpeg_std_error(&Err.Pub);
  Err.Pub.error_exit = ErrorExit;
  Err.Pub.emit_message = EmitMessage;
  Err.Pub.output_message = OutputMessage;

  TJpegPicture Picture;
  // jpeg_destroy_decompress is safe on a half created decompressor too.
  auto Fail = [&]() {
    jpeg_destroy_decompress(&Info);
    return Failed(Err.Message);
  };

  if (!Create(Info, Err)) return Fail();
  if (!ReadHeader(Info, Err, Data, static_cast<unsigned long>(Size))) return Fail();

  const std::int64_t Pixels = static_cast<std::int64_t>(Info.output_width) * Info.output_height;
  if (Pixels <= 0 || Pixels > MaxJpegPixels) {
    jpeg_destroy_decompress(&Info);
    return Failed("Picture too large");
  }
  try {
    Picture.Rgb.resize(static_cast<std::size_t>(Pixels) * 3);
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&Info);
    return Failed("Insufficient memory");
  }
  Picture.Width = static_cast<std::int32_t>(Info.output_width);
  Picture.Height = static_cast<std::int32_t>(Info.output_height);

  if (!ReadPixels(Info, Err, Picture.Rgb.data())) return Fail();
  jpeg_destroy_decompress(&Info);
  return Picture;
}
