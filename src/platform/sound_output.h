#pragma once
#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/sound_file.h"

// The extensions the render tool writes, for messages.
constexpr const char* kOutputExtensions = ".wav, .flac, .ogg, .aiff";

// The library format for an output file name: 16-bit WAV (also without an extension) (RF64 when
// `plannedFrames`, negative if unknown, may not fit in a WAV header), FLAC, Ogg Vorbis or AIFF;
// nullopt for any other extension.
std::optional<int> OutputFormat(const std::string& path, int64_t plannedFrames);
// The most frames a file of the format can describe in its header.
int64_t MaxFrames(int format);
// The frames a sound file holds; nullopt when it cannot be read as one.
std::optional<int64_t> SoundFileFrames(const std::string& path);

// Stereo 16-bit output written block by block: memory stays the same for any length. A render
// goes into an AtomicFile, so the target is replaced only when the whole file is out; a pipe or
// FIFO gets a stream: WAV with an open length, FLAC or Ogg (AIFF is refused). A recording grows
// in place, so that whatever happens to the program, what was written stays.
class SoundOutput {
 public:
  // A render.
  SoundOutput(const std::string& path, int format, int rate);
  // A recording. A file that exists already is replaced only when asked to.
  enum class Existing { Refuse, Replace };
  SoundOutput(const std::string& path, int format, int rate, Existing existing);
  ~SoundOutput();
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  bool Ok() const { return error_.empty(); }
  // What went wrong, in German, without the file name.
  const std::string& Error() const { return error_; }

  bool Write(const int16_t* stereo, long frames);
  // A recording: brings the header up to what has been written, so that the file reads that far
  // even if the program never closes it.
  bool UpdateHeader();
  // Completes the file and (a render) puts it in the target's place.
  bool Close();

 private:
  void OpenSound(SNDFILE* opened, int format);
  bool Fail(const std::string& what);
  std::string WriteFailure() const;
  void OpenStream(SF_INFO& info);

  std::optional<AtomicFile> file_;  // a render
  int fd_ = -1;                     // a recording
  SF_VIRTUAL_IO io_{};
  SndfileHandle sound_;
  int64_t frames_ = 0, maxFrames_;
  std::string error_;
};
