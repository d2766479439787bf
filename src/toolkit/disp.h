#pragma once
#include <string>

#include "toolkit/bmpwin.h"
#include "toolkit/statics.h"

// The five-character numeric read-out in the cyan bitmap font.
class NTDisp : public NTBmpWin {
 public:
  NTDisp(NTOwner* owner, NTWin* parent, int kind, const char* name);
  ~NTDisp() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;

  void SetValue(int32_t v) { Value = v; }
  void ShowValue(Dc& dc);
  // SetValue, then ShowValue through a client drawing context.
  void Show(int32_t v);

  // The text a kind shows for a value; empty for a kind outside 1..9.
  static std::string Format(int kind, int32_t value);

  int32_t Kind;
  int32_t Value = 0;
  NTStaticCtrlName Label;
};
