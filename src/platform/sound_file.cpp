#include "platform/sound_file.h"

#include <string_view>

namespace {
// The library's text without its "System error : " prefix and final full stop.
std::string Detail(SNDFILE* file) {
  std::string_view text = sf_strerror(file);
  constexpr std::string_view kSystem = "System error : ";
  if (text.starts_with(kSystem)) text.remove_prefix(kSystem.size());
  if (text.ends_with('.')) text.remove_suffix(1);
  return std::string(text);
}
}  // namespace

std::string SndfileFailure(const std::string& what, SNDFILE* file) {
  return what + " (" + Detail(file) + ")";
}

std::string OpenFailure(SNDFILE* attempted) {
  switch (sf_error(attempted)) {
    case SF_ERR_UNRECOGNISED_FORMAT:
      return SndfileFailure("ist keine lesbare Tondatei", attempted);
    case SF_ERR_MALFORMED_FILE:
      return SndfileFailure("ist beschädigt", attempted);
    case SF_ERR_UNSUPPORTED_ENCODING:
      return SndfileFailure("Format wird nicht unterstützt", attempted);
    default:
      return SndfileFailure("kann nicht geöffnet werden", attempted);
  }
}
