// Patch files: the head, the type list and the window records of the post-order walk.
#include <algorithm>

#include "app/main_client.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"

namespace {
constexpr uint8_t kStreamMark = 0x3A;
constexpr int32_t kStreamVersion = 257;
constexpr int32_t kMagic = 0x0328812A;
constexpr int32_t kFileVersion = 7;
constexpr int32_t kEndOfTypes = -1;
// More devices than this in one type list can only come from a damaged file.
constexpr int kMaxDevices = 4096;
// Bytes past this are never read: no patch comes near it, and a file that goes on is damaged.
constexpr size_t kMaxFileBytes = 64 << 20;

constexpr const char* kWrongType = "Falscher Datei-Typ!";
constexpr const char* kWrongVersion = "Falsche Datei-Version!";
constexpr const char* kSaveFailed = "Die Datei konnte nicht gespeichert werden!";
constexpr const char* kOpenFailed = "Die Datei kann nicht geöffnet werden!";
constexpr const char* kDamaged =
    "Die Datei ist beschädigt oder unvollständig!\n"
    "Was gelesen werden konnte, wurde geladen.";

// The box names the file and gives the system's reason.
std::string FileFailure(const char* what, const std::string& path, const std::string& reason) {
  return std::string(what) + "\n" + path + ": " + reason;
}

enum class Head { Patch, WrongType, WrongVersion };

// The stream mark (if there is one), the magic and the version. A magic or version cut short is
// as wrong as any other.
Head ReadHead(ipstream& is) {
  if (is.PeekByte() == kStreamMark) {
    is.ReadByte();
    is.ReadWord();  // the stream version is not checked
  }
  if (is.ReadWholeWord() != kMagic) return Head::WrongType;
  if (is.ReadWholeWord() != kFileVersion) return Head::WrongVersion;
  return Head::Patch;
}

// The device types up to the terminator; a list cut short ends with the data. Nullopt for a list
// longer than any patch.
std::optional<std::vector<int32_t>> ReadTypeList(ipstream& is) {
  std::vector<int32_t> types;
  for (;;) {
    const int32_t type = is.ReadWord();
    if (is.PastEnd() || type == kEndOfTypes) return types;
    if (types.size() == kMaxDevices) return std::nullopt;
    types.push_back(type);
  }
}

std::vector<NTWin*> Windows(std::span<NTDevWin* const> devices) {
  return {devices.begin(), devices.end()};
}
}  // namespace

std::optional<size_t> TMainClient::DevicesIn(std::span<const uint8_t> bytes) {
  ipstream is(bytes);
  if (ReadHead(is) != Head::Patch) return std::nullopt;
  for (int option = 0; option < 4; ++option) is.ReadWord();
  const auto types = ReadTypeList(is);
  if (!types) return std::nullopt;
  return types->size();
}

int32_t TMainClient::NumberOf(const NTWin* w) {
  return numbers_ ? numbers_->NumberOf(w) : TWindowNumbers(&root_).NumberOf(w);
}

NTWin* TMainClient::WindowOf(int32_t number) {
  return numbers_ ? numbers_->WindowOf(number) : TWindowNumbers(&root_).WindowOf(number);
}

std::vector<uint8_t> TMainClient::SaveBytes() {
  return PatchBytes(devices_);
}

// The devices are written as the root's only children, in the order given.
std::vector<uint8_t> TMainClient::PatchBytes(std::span<NTDevWin* const> devices) {
  opstream os;
  os.WriteByte(kStreamMark);
  os.WriteWord(kStreamVersion);
  os.WriteWord(kMagic);
  os.WriteWord(kFileVersion);
  for (int32_t option : {WiresOn, WiresBehind, CurvesOn, SnapOn}) os.WriteWord(option);
  for (const NTDevWin* d : devices) os.WriteWord(int32_t(d->Type));
  os.WriteWord(kEndOfTypes);
  numbers_.emplace(&root_, Windows(devices));
  for (NTDevWin* d : devices) WriteWalk(d, os);
  root_.Write(os);
  numbers_.reset();
  return os.Bytes();
}

bool TMainClient::SaveCopy(const std::string& path, std::string* error) {
  return WriteFileAtomically(path, SaveBytes(), error);
}

bool TMainClient::Save() {
  if (FileName.empty()) return SaveAs();
  return SaveTo(FileName);
}

bool TMainClient::SaveAs() {
  const auto path = shell_.SaveFileDialog();
  return path && SaveTo(*path);
}

// The file name and the title follow what is on disk: they change only once the file is written.
// A failed file of MIDI mappings fails the save, after the patch itself is written: changes
// are then not given up in the belief that they were kept.
bool TMainClient::SaveTo(const std::string& path) {
  // Controls that MIDI is still moving are saved as one step up to here.
  CommitControlChanges();
  if (std::string why; !SaveCopy(path, &why)) {
    ErrorBox(FileFailure(kSaveFailed, path, why));
    return false;
  }
  const bool mappingsSaved = SaveMidiFile(path);
  FileName = path;
  UpdateTitle();
  MarkUnmodified();
  shell_.PatchFileUsed(path);
  return mappingsSaved;
}

void TMainClient::Open() {
  if (!MayDiscardChanges()) return;
  const auto path = shell_.OpenFileDialog();
  if (!path) return;
  Load(*path);
}

// Only a patch that loaded whole takes its MIDI mappings: they name devices by their places.
TMainClient::LoadResult TMainClient::Load(const std::string& path) {
  LoadResult result = LoadFile(path, path);
  if (result.kind == LoadResult::Complete) LoadMidiFile(path);
  return result;
}

// A file that cannot be read is no patch of the wrong type: the patch on the canvas stays.
TMainClient::LoadResult TMainClient::LoadFile(const std::string& path, const std::string& name) {
  std::string why;
  // One byte past the limit tells the loader that the file goes on.
  const std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxFileBytes + 1, &why);
  if (why.empty()) return LoadNamed(bytes, name);
  LoadResult result{LoadResult::Unreadable, FileFailure(kOpenFailed, path, why), why};
  ErrorBox(result.message);
  return result;
}

TMainClient::LoadResult TMainClient::LoadBytes(std::span<const uint8_t> bytes) {
  return LoadNamed(bytes, FileName);
}

TMainClient::LoadResult TMainClient::LoadNamed(std::span<const uint8_t> bytes,
                                               const std::string& name) {
  LoadResult result;
  {
    TCriticalSection::Lock lock(Lock);
    ClearHistory();
    DeleteAllDevices();
    ipstream is(bytes.first(std::min(bytes.size(), kMaxFileBytes)));
    result = LoadLocked(is);
    if (result && bytes.size() > kMaxFileBytes) result = {LoadResult::Damaged, kDamaged};
  }
  // A damaged file keeps no name, so that Save asks for one and never overwrites the original.
  FileName = result.kind == LoadResult::Complete ? name : std::string();
  RefreshStates();
  MarkUnmodified();
  UpdateTitle();
  if (!FileName.empty()) shell_.PatchFileUsed(FileName);
  // The box comes last: over the new patch and its title, and without the lock, so that the
  // audio goes on while it is up.
  if (!result.message.empty()) ErrorBox(result.message);
  return result;
}

// Words past the end of the data read as 0; a device's geometry and the options keep what they
// had. Any such read marks the file as damaged.
TMainClient::LoadResult TMainClient::LoadLocked(ipstream& is) {
  switch (ReadHead(is)) {
    case Head::Patch:
      break;
    case Head::WrongType:
      NewLocked();
      return {LoadResult::Rejected, kWrongType};
    case Head::WrongVersion:
      NewLocked();
      return {LoadResult::Rejected, kWrongVersion};
  }
  for (int32_t* option : {&WiresOn, &WiresBehind, &CurvesOn, &SnapOn})
    if (const auto v = is.ReadWholeWord()) *option = *v;
  const auto types = ReadTypeList(is);
  if (!types) {
    NewLocked();
    return {LoadResult::Rejected, kWrongType};
  }
  for (int32_t type : *types) CreateDevice(DeviceType(type));

  numbers_.emplace(&root_);
  ReadWalk(&root_, is);
  Reschedule();
  numbers_.reset();
  InvalidateAll(true);
  SetMenuMarks();
  if (is.PastEnd()) return {LoadResult::Damaged, kDamaged};
  return {};
}

// A paste reads the devices as a load does, numbered as the only devices of their patch; the
// options of the bytes are not taken.
std::vector<NTDevWin*> TMainClient::AddDevicesFrom(std::span<const uint8_t> bytes) {
  ipstream is(bytes.first(std::min(bytes.size(), kMaxFileBytes)));
  std::vector<NTDevWin*> added;
  if (ReadHead(is) != Head::Patch) return added;
  for (int option = 0; option < 4; ++option) is.ReadWord();
  const auto types = ReadTypeList(is);
  if (!types) return added;
  TCriticalSection::Lock lock(Lock);
  for (int32_t type : *types)
    if (NTDevWin* d = CreateDevice(DeviceType(type))) added.push_back(d);
  numbers_.emplace(&root_, Windows(added));
  for (NTDevWin* d : added) ReadWalk(d, is);
  numbers_.reset();
  Reschedule();
  return added;
}
