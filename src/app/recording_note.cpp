#include "app/recording_note.h"

#include <fstream>

#include "app/recovery.h"
#include "platform/atomic_file.h"
#include "platform/sample_rate.h"
#include "platform/sound_output.h"

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kPrefix = "aufnahme-", kSuffix = ".txt";

// "HH:MM:SS" of local time.
std::string ClockTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::string Unfinished(const std::string& file, std::time_t began) {
  const std::optional<int64_t> frames = SoundFileFrames(file);
  const std::string readable =
      frames ? "sie ist bis " + ClockTime(began + std::time_t(*frames / kSampleRate)) + " lesbar"
             : "sie ist nicht lesbar";
  return "Eine Aufnahme wurde nicht beendet: " + file + " — " + readable + ".";
}
}  // namespace

bool WriteRecordingNote(const fs::path& folder, const std::vector<std::string>& files,
                        std::time_t began) {
  std::string text = std::to_string(began) + "\n";
  for (const std::string& file : files) text += file + "\n";
  return WriteFileAtomically(TRecovery::FileFor(folder, kPrefix, kSuffix).string(),
                             {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void RemoveRecordingNote(const fs::path& folder) {
  std::error_code ignored;
  fs::remove(TRecovery::FileFor(folder, kPrefix, kSuffix), ignored);
}

std::vector<std::string> UnfinishedRecordings(const fs::path& folder) {
  std::vector<std::string> messages;
  for (const TRecovery::Copy& left : TRecovery::LeftOver(folder, kPrefix, kSuffix)) {
    const fs::path& note = left.path;
    std::ifstream in(note);
    long long began = 0;
    std::string file;
    if (in >> began) {
      std::getline(in, file);
      while (std::getline(in, file))
        if (!file.empty()) messages.push_back(Unfinished(file, std::time_t(began)));
    }
    std::error_code ignored;
    fs::remove(note, ignored);
  }
  return messages;
}
