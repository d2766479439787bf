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
// Bytes past this are never read: no patch comes near it.
constexpr size_t kMaxFileBytes = 64 << 20;

constexpr const char* kWrongType = "Falscher Datei-Typ!";
constexpr const char* kWrongVersion = "Falsche Datei-Version!";
constexpr const char* kSaveFailed = "Die Datei konnte nicht gespeichert werden!";
}  // namespace

void TMainClient::BuildNumberTables() {
  windowOf_.assign(1, nullptr);
  numberOf_.clear();
  // Pre-order with an explicit stack: the tree is shallow but may be very wide.
  std::vector<NTWin*> stack{&root_};
  while (!stack.empty()) {
    NTWin* w = stack.back();
    stack.pop_back();
    numberOf_[w] = int32_t(windowOf_.size());
    windowOf_.push_back(w);
    const size_t mark = stack.size();
    for (NTWin* c = w->FirstChild; c; c = c->Next) stack.push_back(c);
    std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
  }
}

int32_t TMainClient::NumberOf(const NTWin* w) {
  if (numberOf_.empty()) return WindowNumber(&root_, w);
  const auto it = numberOf_.find(w);
  return it == numberOf_.end() ? 0 : it->second;
}

NTWin* TMainClient::WindowOf(int32_t number) {
  if (windowOf_.empty()) return WindowByNumber(&root_, number);
  return number > 0 && size_t(number) < windowOf_.size() ? windowOf_[size_t(number)] : nullptr;
}

std::vector<uint8_t> TMainClient::SaveBytes() {
  opstream os;
  os.WriteByte(kStreamMark);
  os.WriteWord(kStreamVersion);
  os.WriteWord(kMagic);
  os.WriteWord(kFileVersion);
  for (int32_t option : {WiresOn, WiresBehind, CurvesOn, SnapOn}) os.WriteWord(option);
  for (NTWin* w = root_.FirstChild; w; w = w->Next)
    os.WriteWord(int32_t(static_cast<NTDevWin*>(w)->Type));
  os.WriteWord(kEndOfTypes);
  BuildNumberTables();
  WriteWalk(&root_, os);
  windowOf_.clear();
  numberOf_.clear();
  return os.Bytes();
}

bool TMainClient::Save() {
  if (FileName.empty()) return SaveAs();
  if (WriteFileAtomically(FileName, SaveBytes())) return true;
  ErrorBox(kSaveFailed);
  return false;
}

bool TMainClient::SaveAs() {
  const auto path = shell_.SaveFileDialog();
  if (!path) return false;
  FileName = *path;
  UpdateTitle();
  return Save();
}

void TMainClient::Open() {
  const auto path = shell_.OpenFileDialog();
  if (!path) return;
  Load(*path);
}

bool TMainClient::Load(const std::string& path) {
  FileName = path;
  UpdateTitle();
  return LoadBytes(ReadFileBytes(path, kMaxFileBytes));
}

bool TMainClient::LoadBytes(const std::vector<uint8_t>& bytes) {
  TCriticalSection::Lock lock(Lock);
  DeleteAllDevices();
  ipstream is(bytes);
  return LoadLocked(is);
}

bool TMainClient::LoadLocked(ipstream& is) {
  if (is.PeekByte() == kStreamMark) {
    is.ReadByte();
    is.ReadWord();  // the stream version is not checked
  }
  if (is.ReadWord() != kMagic) {
    ErrorBox(kWrongType);
    NewLocked();
    return false;
  }
  if (is.ReadWord() != kFileVersion) {
    ErrorBox(kWrongVersion);
    NewLocked();
    return false;
  }
  for (int32_t* option : {&WiresOn, &WiresBehind, &CurvesOn, &SnapOn}) *option = is.ReadWord();

  std::vector<int32_t> types;
  // A truncated list ends with the data; the devices named so far are kept.
  while (!is.AtEnd()) {
    const int32_t type = is.ReadWord();
    if (type == kEndOfTypes) break;
    if (types.size() == kMaxDevices) {
      ErrorBox(kWrongType);
      NewLocked();
      return false;
    }
    types.push_back(type);
  }
  for (int32_t type : types) CreateDevice(DeviceType(type));

  BuildNumberTables();
  ReadWalk(&root_, is);
  windowOf_.clear();
  numberOf_.clear();
  InvalidateAll(true);
  SetMenuMarks();
  return true;
}
