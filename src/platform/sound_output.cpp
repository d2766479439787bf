#include "platform/sound_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

namespace {
// A WAV or AIFF header counts bytes in 32 bits; keep clear of the chunk headers around the data.
constexpr int64_t kMax32BitFrames = (int64_t{0xFFFFFFFF} - 1024) / 4;

SF_INFO Info(int format, int rate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = format;
  return info;
}

std::string SystemError() {
  return std::strerror(errno);
}

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
    : file_(std::in_place, path), io_(AtomicFileIo()), maxFrames_(MaxFrames(format)) {
  if (!file_->Ok()) {
    Fail("kann nicht geschrieben werden (" + file_->Error() + ")");
    return;
  }
  SF_INFO info = Info(format, rate);
  if (file_->Stream()) {
    OpenStream(info);
    return;
  }
  OpenSound(sf_open_virtual(&io_, SFM_WRITE, &info, &*file_), format);
}

SoundOutput::SoundOutput(const std::string& path, int format, int rate, Existing existing)
    : maxFrames_(MaxFrames(format)) {
  // Created exclusively when it must not replace anything, so that no file that appears
  // meanwhile is lost either.
  const int how = existing == Existing::Refuse ? O_EXCL : O_TRUNC;
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | how, 0666);
  if (fd_ < 0) {
    Fail(errno == EEXIST ? "gibt es schon"
                         : "kann nicht geschrieben werden (" + SystemError() + ")");
    return;
  }
  SF_INFO info = Info(format, rate);
  OpenSound(sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE), format);
}

SoundOutput::~SoundOutput() {
  sound_.reset();
  if (fd_ >= 0) close(fd_);
}

void SoundOutput::OpenSound(SNDFILE* opened, int format) {
  sound_.reset(opened);
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
    if (!file_->Write(header.data(), header.size())) {
      Fail("kann nicht geschrieben werden (" + file_->Error() + ")");
      return;
    }
    info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
    maxFrames_ = std::numeric_limits<int64_t>::max();
  }
  sound_.reset(sf_open_fd(file_->Descriptor(), SFM_WRITE, &info, SF_FALSE));
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
  return Fail(WriteFailure());
}

bool SoundOutput::UpdateHeader() {
  if (!Ok()) return false;
  sf_command(sound_.get(), SFC_UPDATE_HEADER_NOW, nullptr, 0);
  return sf_error(sound_.get()) == SF_ERR_NO_ERROR || Fail(WriteFailure());
}

std::string SoundOutput::WriteFailure() const {
  if (file_ && !file_->Ok()) return "kann nicht geschrieben werden (" + file_->Error() + ")";
  return SndfileFailure("kann nicht geschrieben werden", sound_.get());
}

bool SoundOutput::Close() {
  if (!Ok()) return false;
  const int closed = sf_close(sound_.release());
  if (file_ && !file_->Ok()) return Fail("kann nicht geschrieben werden (" + file_->Error() + ")");
  if (closed != 0)
    return Fail("kann nicht geschrieben werden (" + std::string(sf_error_number(closed)) + ")");
  if (file_ && !file_->Commit())
    return Fail("kann nicht gespeichert werden (" + file_->Error() + ")");
  return true;
}

std::optional<int64_t> SoundFileFrames(const std::string& path) {
  SF_INFO info{};
  const SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) return std::nullopt;
  if (info.frames != SF_COUNT_MAX) return int64_t(info.frames);
  // A stream that was never finished (FLAC) does not say its length: it is counted.
  std::vector<int16_t> buffer(size_t(4096 * std::max(info.channels, 1)));
  int64_t frames = 0;
  for (sf_count_t n; (n = sf_readf_short(file.get(), buffer.data(), 4096)) > 0;) frames += n;
  return frames;
}
