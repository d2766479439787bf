#pragma once
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// While a recording runs, a note in the recovery folder names its files and the time it began; a
// recording that ends normally removes it. A note whose program is gone tells of a recording
// that was never closed.

// Writes this program's note; false when that failed.
bool WriteRecordingNote(const std::filesystem::path& folder, const std::vector<std::string>& files,
                        std::time_t began);
void RemoveRecordingNote(const std::filesystem::path& folder);
// What the notes of programs that are gone tell, one message per file: "Eine Aufnahme wurde nicht
// beendet: FILE — sie ist bis HH:MM:SS lesbar". The notes go; the recordings stay as they are.
std::vector<std::string> UnfinishedRecordings(const std::filesystem::path& folder);
