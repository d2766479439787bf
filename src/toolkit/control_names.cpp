#include "toolkit/control_names.h"

#include <array>
#include <initializer_list>

#include "platform/art.h"
#include "toolkit/control_input.h"
#include "toolkit/frame.h"
#include "toolkit/value_text.h"

namespace {
// The keys' pictures say what they are; these are the words for them.
struct KeyWords {
  int bitmap;
  const char* name;
  std::initializer_list<const char*> keys;
};
const std::array<KeyWords, 7> kKeyWords = {{
    {bmp::kKeyOn, "On", {}},
    {bmp::kKeyGnd, "GND", {}},
    {bmp::kKeysChannel, "Trigger", {"Ch1", "Ch2", "Ch3", "Ch4"}},
    {bmp::kKeysSlope, "Flanke", {"steigend", "fallend"}},
    {bmp::kKeysLfoWave,
     "Welle",
     {"Sinus", "Dreieck", "Rampe steigend", "Rampe fallend", "Rechteck"}},
    {bmp::kKeysVcoWave, "Welle", {"Sinus", "Dreieck", "Sägezahn", "Rechteck"}},
    {bmp::kKeysFilter, "Typ", {"Tiefpass", "Hochpass", "Bandpass", "Bandsperre"}},
}};

const KeyWords* WordsFor(int bitmap) {
  for (const KeyWords& w : kKeyWords)
    if (w.bitmap == bitmap) return &w;
  return nullptr;
}

// The name before numbering.
std::string BaseLabel(const NTWin& control) {
  if (const auto* reg = dynamic_cast<const NTReg*>(&control)) {
    const NTDisp* d = reg->Readout;
    return d && d->Label.Text() ? *d->Label.Text() : "Regler";
  }
  int bitmap = 0;
  if (const auto* k = dynamic_cast<const NTKey*>(&control)) bitmap = k->Bitmap;
  if (const auto* k = dynamic_cast<const NTKeyset*>(&control)) bitmap = k->Bitmap;
  const KeyWords* w = WordsFor(bitmap);
  return w ? w->name : "Taste";
}

std::string Title(const NTWin& panel) {
  const auto* frame = dynamic_cast<const NTFrameWin*>(&panel);
  return frame && frame->Title.Text() ? *frame->Title.Text() : "Panel";
}
}  // namespace

const NTWin* PanelOf(const NTWin& w) {
  const NTWin* p = &w;
  while (p->Parent && p->Parent->Parent) p = p->Parent;
  return p->Parent ? p : nullptr;
}

std::string PanelName(const NTWin& panel) {
  const std::string title = Title(panel);
  int number = 0;
  for (const NTWin* d = panel.Parent ? panel.Parent->FirstChild : &panel; d; d = d->Next) {
    if (Title(*d) == title) ++number;
    if (d == &panel) break;
  }
  return title + " " + std::to_string(number);
}

std::string ControlLabel(const NTWin& control) {
  const std::string base = BaseLabel(control);
  const NTWin* panel = PanelOf(control);
  if (!panel) return base;
  int number = 0, count = 0;
  for (NTWin* c : FocusableControls(const_cast<NTWin*>(panel))) {
    if (BaseLabel(*c) != base) continue;
    ++count;
    if (c == &control) number = count;
  }
  return count > 1 ? base + " " + std::to_string(number) : base;
}

std::string ControlName(const NTWin& control) {
  const NTWin* panel = PanelOf(control);
  const std::string label = ControlLabel(control);
  return panel ? PanelName(*panel) + " \xE2\x80\x93 " + label : label;
}

std::string ControlValueText(const NTWin& control) {
  if (const auto* reg = dynamic_cast<const NTReg*>(&control)) {
    const NTDisp* d = reg->Readout;
    return d ? ValueText(d->Kind, reg->Value) : std::to_string(reg->Value.Get());
  }
  if (const auto* k = dynamic_cast<const NTKey*>(&control)) return k->State ? "ein" : "aus";
  if (const auto* k = dynamic_cast<const NTKeyset*>(&control)) {
    const std::vector<std::string> names = KeyNames(*k);
    const int32_t i = k->Selected;
    return i >= 0 && size_t(i) < names.size() ? names[size_t(i)] : "keine";
  }
  return {};
}

std::vector<std::string> KeyNames(const NTKeyset& keys) {
  const KeyWords* w = WordsFor(keys.Bitmap);
  std::vector<std::string> names;
  for (int i = 0; i < keys.Count; ++i) {
    const bool named = w && size_t(i) < w->keys.size();
    names.push_back(named ? std::string(w->keys.begin()[i]) : "Taste " + std::to_string(i + 1));
  }
  return names;
}
