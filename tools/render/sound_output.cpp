#include "render/sound_output.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>

namespace {
// A WAV or AIFF header counts bytes in 32 bits; keep clear of the chunk headers around the data.
constexpr int64_t kMax32BitFrames = (int64_t{0xFFFFFFFF} - 1024) / 4;

AtomicFile& FileOf(void* user) {
  return *static_cast<AtomicFile*>(user);
}

// The library writes through the AtomicFile, so every byte goes to the temporary file.
SF_VIRTUAL_IO AtomicFileIo() {
  SF_VIRTUAL_IO io{};
  io.get_filelen = [](void* f) -> sf_count_t { return FileOf(f).Size(); };
  io.seek = [](sf_count_t offset, int whence, void* f) -> sf_count_t {
    return FileOf(f).Seek(offset, whence);
  };
  io.read = [](void* data, sf_count_t size, void* f) -> sf_count_t {
    return FileOf(f).Read(data, size_t(size));
  };
  io.write = [](const void* data, sf_count_t size, void* f) -> sf_count_t {
    return FileOf(f).Write(data, size_t(size)) ? size : 0;
  };
  io.tell = [](void* f) -> sf_count_t { return FileOf(f).Seek(0, SEEK_CUR); };
  return io;
}

void PutLittle(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

// The header of 16-bit stereo WAV whose length is not known: both sizes at their largest.
std::array<uint8_t, 44> OpenWavHeader(int rate) {
  std::array<uint8_t, 44> h{'R', 'I', 'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                            'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   2,   0};
  PutLittle(&h[4], 0xFFFFFFFF, 4);
  PutLittle(&h[24], uint32_t(rate), 4);
  PutLittle(&h[28], uint32_t(rate) * 4, 4);  // bytes per second
  PutLittle(&h[32], 4, 2);                   // bytes per frame
  PutLittle(&h[34], 16, 2);                  // bits per sample
  std::memcpy(&h[36], "data", 4);
  PutLittle(&h[40], 0xFFFFFFFF, 4);
  return h;
}
}  // namespace

std::optional<int> OutputFormat(const std::string& path, int64_t plannedFrames) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  const bool fitsWav = plannedFrames >= 0 && plannedFrames <= kMax32BitFrames;
  // Without an extension (/dev/null, a pipe) the output is WAV as it always was.
  if (ext == ".wav" || ext.empty())
    return (fitsWav ? SF_FORMAT_WAV : SF_FORMAT_RF64) | SF_FORMAT_PCM_16;
  if (ext == ".flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  if (ext == ".ogg") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  if (ext == ".aiff" || ext == ".aif") return SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
  return std::nullopt;
}

int64_t MaxFrames(int format) {
  const int major = format & SF_FORMAT_TYPEMASK;
  return major == SF_FORMAT_WAV || major == SF_FORMAT_AIFF ? kMax32BitFrames
                                                           : std::numeric_limits<int64_t>::max();
}

SoundOutput::SoundOutput(const std::string& path, int format, int rate)
    : file_(path), io_(AtomicFileIo()), maxFrames_(MaxFrames(format)) {
  if (!file_.Ok()) {
    Fail("kann nicht geschrieben werden (" + file_.Error() + ")");
    return;
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = format;
  if (file_.Stream()) {
    OpenStream(info);
    return;
  }
  sound_.reset(sf_open_virtual(&io_, SFM_WRITE, &info, &file_));
  if (!sound_) {
    Fail(SndfileFailure("kann nicht geschrieben werden", nullptr));
    return;
  }
  // A long render that ends up short after all still gets a plain WAV header.
  if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64)
    sf_command(sound_.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
}

// A pipe cannot go back to complete a header. FLAC and Ogg are streams by nature; WAV gets a
// header that leaves its length open (as readers of piped WAV expect), followed by the samples.
void SoundOutput::OpenStream(SF_INFO& info) {
  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (major == SF_FORMAT_AIFF) {
    Fail("ist eine Pipe; AIFF braucht eine Datei (in eine Pipe gehen .wav, .flac und .ogg)");
    return;
  }
  if (major == SF_FORMAT_WAV || major == SF_FORMAT_RF64) {
    const std::array<uint8_t, 44> header = OpenWavHeader(info.samplerate);
    if (!file_.Write(header.data(), header.size())) {
      Fail("kann nicht geschrieben werden (" + file_.Error() + ")");
      return;
    }
    info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
    maxFrames_ = std::numeric_limits<int64_t>::max();
  }
  sound_.reset(sf_open_fd(file_.Descriptor(), SFM_WRITE, &info, SF_FALSE));
  if (!sound_) Fail(SndfileFailure("kann nicht geschrieben werden", nullptr));
}

bool SoundOutput::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
  return false;
}

bool SoundOutput::Write(const int16_t* stereo, long frames) {
  if (!Ok()) return false;
  if (frames_ + frames > maxFrames_)
    return Fail("wird für dieses Format zu lang (höchstens " + std::to_string(maxFrames_) +
                " Frames)");
  frames_ += frames;
  if (sf_writef_short(sound_.get(), stereo, frames) == frames) return true;
  return Fail("kann nicht geschrieben werden (" +
              (file_.Ok() ? std::string(sf_strerror(sound_.get())) : file_.Error()) + ")");
}

bool SoundOutput::Close() {
  if (!Ok()) return false;
  const int closed = sf_close(sound_.release());
  if (closed != 0 || !file_.Ok())
    return Fail("kann nicht geschrieben werden (" +
                (file_.Ok() ? std::string(sf_error_number(closed)) : file_.Error()) + ")");
  if (!file_.Commit()) return Fail("kann nicht gespeichert werden (" + file_.Error() + ")");
  return true;
}
