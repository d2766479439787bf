#include "platform/png.h"

#include <png.h>

#include <csetjmp>
#include <string>
#include <vector>

#include "platform/atomic_file.h"

namespace {

// Owns the libpng write and info structures for the lifetime of one write.
class PngWriter {
 public:
  PngWriter() {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, Failed, Warned);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~PngWriter() { png_destroy_write_struct(&png_, &info_); }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  bool Ready() const { return png_ && info_; }
  png_structp Png() const { return png_; }
  png_infop Info() const { return info_; }
  // The encoder's own reason for giving up (a failed write has the file's).
  const std::string& Error() const { return error_; }

 private:
  // The library's messages go to the caller's message, never to the terminal.
  static void Failed(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
  }
  static void Warned(png_structp, png_const_charp) {}

  std::string error_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

std::vector<png_byte> RgbRow(const Surface& surface, int y) {
  std::vector<png_byte> row(size_t(surface.Width()) * 3);
  const Color* src = surface.Row(y);
  for (int x = 0; x < surface.Width(); ++x) {
    row[size_t(x) * 3] = png_byte(RedOf(src[x]));
    row[size_t(x) * 3 + 1] = png_byte(GreenOf(src[x]));
    row[size_t(x) * 3 + 2] = png_byte(BlueOf(src[x]));
  }
  return row;
}

// A failed write is remembered by the file and stops the encoder.
void WriteToFile(png_structp png, png_bytep data, size_t size) {
  if (!static_cast<AtomicFile*>(png_get_io_ptr(png))->Write(data, size)) png_error(png, "write");
}

// Kept apart from WritePng so that no object with a destructor lives in the frame that
// libpng's error handler longjmps back into.
bool Encode(PngWriter& writer, AtomicFile& file, const Surface& surface,
            std::vector<std::vector<png_byte>>& rows) {
  if (setjmp(png_jmpbuf(writer.Png()))) return false;
  png_set_write_fn(writer.Png(), &file, WriteToFile, nullptr);
  png_set_IHDR(writer.Png(), writer.Info(), png_uint_32(surface.Width()),
               png_uint_32(surface.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(writer.Png(), writer.Info());
  for (auto& row : rows) png_write_row(writer.Png(), row.data());
  png_write_end(writer.Png(), nullptr);
  return true;
}

}  // namespace

bool WritePng(const Surface& surface, const std::string& path, std::string* error) {
  if (surface.Empty()) {  // a PNG cannot have zero width or height
    if (error) *error = "empty picture";
    return false;
  }
  std::vector<std::vector<png_byte>> rows;
  rows.reserve(size_t(surface.Height()));
  for (int y = 0; y < surface.Height(); ++y) rows.push_back(RgbRow(surface, y));

  AtomicFile file(path);
  PngWriter writer;
  if (file.Ok() && writer.Ready() && Encode(writer, file, surface, rows) && file.Commit())
    return true;
  if (error) *error = file.Ok() ? "encoder failed: " + writer.Error() : file.Error();
  return false;
}
