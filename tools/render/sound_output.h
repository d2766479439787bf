#pragma once
#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/atomic_file.h"
#include "render/sound_file.h"

// The extensions the render tool writes, for messages.
constexpr const char* kOutputExtensions = ".wav, .flac, .ogg, .aiff";

// The library format for an output file name: 16-bit WAV (also without an extension) (RF64 when
// `plannedFrames`, negative if unknown, may not fit in a WAV header), FLAC, Ogg Vorbis or AIFF;
// nullopt for any other extension.
std::optional<int> OutputFormat(const std::string& path, int64_t plannedFrames);
// The most frames a file of the format can describe in its header.
int64_t MaxFrames(int format);

// Stereo 16-bit output written block by block into an AtomicFile: memory stays the same for any
// length, and the target is replaced only when the whole file is out. A pipe or FIFO gets a
// stream: WAV with an open length, FLAC or Ogg (AIFF is refused).
class SoundOutput {
 public:
  SoundOutput(const std::string& path, int format, int rate);
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  bool Ok() const { return error_.empty(); }
  // What went wrong, in German, without the file name.
  const std::string& Error() const { return error_; }

  bool Write(const int16_t* stereo, long frames);
  // Completes the file and puts it in the target's place.
  bool Close();

 private:
  bool Fail(const std::string& what);
  void OpenStream(SF_INFO& info);

  AtomicFile file_;
  SF_VIRTUAL_IO io_{};
  SndfileHandle sound_;
  int64_t frames_ = 0, maxFrames_;
  std::string error_;
};
