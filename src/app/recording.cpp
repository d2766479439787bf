// Recording what is heard: the command, the files, the title while it runs and the report at its
// end. The recorder does the work off the audio thread.
#include <cstdio>
#include <ctime>
#include <utility>

#include "app/commands.h"
#include "app/main_client.h"
#include "app/recording_note.h"

namespace {
// The sound file writer as a recording's file.
class SoundRecordFile final : public TRecordFile {
 public:
  SoundRecordFile(const std::string& path, int format, SoundOutput::Existing existing)
      : out_(path, format, kSampleRate, existing) {}
  bool Ok() const { return out_.Ok(); }
  bool Write(const int16_t* stereo, long frames) override { return out_.Write(stereo, frames); }
  bool UpdateHeader() override { return out_.UpdateHeader(); }
  bool Close() override { return out_.Close(); }
  const std::string& Error() const override { return out_.Error(); }

 private:
  SoundOutput out_;
};

// "12,3 s": a length in frames to the tenth of a second.
std::string Seconds(int64_t frames) {
  const int64_t tenths = (frames * 10 + kSampleRate / 2) / kSampleRate;
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " s";
}

// "m:ss" of a length in frames, as a clock counts it.
std::string Duration(int64_t frames) {
  const int64_t seconds = frames / kSampleRate;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string DropoutCount(int64_t n) {
  return std::to_string(n) + " Aussetzer";
}
}  // namespace

std::string TMainClient::InputRecordingPath(const std::string& output) {
  const std::filesystem::path path(output);
  std::filesystem::path input = path;
  input.replace_filename(path.stem().string() + "-eingang" + path.extension().string());
  return input.string();
}

std::string TMainClient::StartRecording(const std::string& output, bool withInput,
                                        SoundOutput::Existing existing) {
  if (!Running()) return "Ohne laufenden Ton gibt es nichts aufzunehmen.";
  if (recorder_.Busy()) return "Es läuft schon eine Aufnahme.";
  // The length is not known in advance: long WAV recordings become RF64 on their own.
  const std::optional<int> format = OutputFormat(output, -1);
  if (!format)
    return output + ": unbekanntes Format (möglich: " + std::string(kOutputExtensions) + ")";
  std::vector<std::string> paths{output};
  if (withInput) paths.push_back(InputRecordingPath(output));
  std::unique_ptr<SoundRecordFile> files[2];
  for (size_t i = 0; i < paths.size(); ++i) {
    files[i] = std::make_unique<SoundRecordFile>(paths[i], *format, existing);
    if (!files[i]->Ok()) return paths[i] + ": " + files[i]->Error();
  }
  if (recovery_ && recovery_->PrepareFolder().empty())
    WriteRecordingNote(recovery_->Folder(), paths, std::time(nullptr));
  recorder_.Start(std::move(files[0]), std::move(files[1]));
  recording_ = output;
  shown_ = {};
  shell_.SetMenuCaption(cmd::kRecord, kRecordingCaption);
  UpdateTitle();
  return {};
}

// The dialog's own question covers the file it names; the input's file beside it is asked about
// here, so that a take never replaces a file by surprise.
void TMainClient::ToggleRecording() {
  if (recorder_.Busy()) {
    StopRecording();
    return;
  }
  const std::optional<RecordingChoice> choice = shell_.RecordingDialog();
  if (!choice) return;
  if (choice->WithInput && std::filesystem::exists(InputRecordingPath(choice->Path)) &&
      shell_.Question("\"" + InputRecordingPath(choice->Path) +
                      "\" gibt es schon.\nSoll die Datei ersetzt werden?") != Answer::Yes)
    return;
  const std::string error =
      StartRecording(choice->Path, choice->WithInput, SoundOutput::Existing::Replace);
  if (!error.empty()) ErrorBox(error);
}

// " - Aufnahme 0:12, 0 Aussetzer" while a recording runs.
std::string TMainClient::RecordingCaption() const {
  if (!recorder_.Busy()) return {};
  return " - Aufnahme " + Duration(recorder_.Frames()) + ", " + DropoutCount(recorder_.Dropouts());
}

// Window thread, from the refresh timer: the title follows the recording's length, and its end
// is reported once the files are complete.
void TMainClient::RecordingTick() {
  if (const auto outcome = recorder_.Finished()) {
    RecordingEnded(*outcome);
    return;
  }
  if (!recorder_.Busy()) return;
  const std::pair<int64_t, int64_t> now{recorder_.Frames() / kSampleRate, recorder_.Dropouts()};
  if (std::exchange(shown_, now) != now) UpdateTitle();
}

void TMainClient::RecordingEnded(const TRecorder::Outcome& outcome) {
  lastRecording_ = outcome;
  if (recovery_) RemoveRecordingNote(recovery_->Folder());
  shell_.SetMenuCaption(cmd::kRecord, kRecordCaption);
  UpdateTitle();
  const std::string kept = " Was bis dahin aufgenommen war (" + Seconds(outcome.Frames) + ", " +
                           DropoutCount(outcome.Dropouts) + "), ist in der Datei.";
  switch (outcome.kind) {
    case TRecorder::Outcome::Complete:
      shell_.Notice("Aufnahme beendet: " + recording_ + ", " + Seconds(outcome.Frames) + " (" +
                    std::to_string(outcome.Frames) + " Frames), " + DropoutCount(outcome.Dropouts) +
                    ".");
      break;
    case TRecorder::Outcome::Overrun:
      ErrorBox("Die Aufnahme " + recording_ +
               " wurde abgebrochen: die Datei wurde nicht schnell genug geschrieben." + kept);
      break;
    case TRecorder::Outcome::Failed:
      ErrorBox("Die Aufnahme " + recording_ + " wurde abgebrochen: " + outcome.Error + "." + kept);
      break;
  }
}
