#pragma once
#include <optional>
#include <string>

#include "toolkit/ntwin.h"

// A text label; draws nothing itself. Its subclasses draw Text relative to the parent window.
class NTStaticText : public NTWin {
 public:
  NTStaticText(TWindowOwner* owner, NTWin* parent, const char* text);
  const std::optional<std::string>& Text() const { return text_; }

 private:
  std::optional<std::string> text_;
};

// A panel's title at its top-left corner.
class NTStaticWinTitle : public NTStaticText {
 public:
  using NTStaticText::NTStaticText;
  void Paint(Dc& dc) override;
};

// A name centred above its parent (a connector or a display).
class NTStaticCtrlName : public NTStaticText {
 public:
  using NTStaticText::NTStaticText;
  void Paint(Dc& dc) override;
};

// An etched vertical line (kind 1; any other kind draws nothing).
class NTStaticSeparator : public NTWin {
 public:
  NTStaticSeparator(TWindowOwner* owner, NTWin* parent, int kind, Point pos, int length);
  void Paint(Dc& dc) override;
  int32_t Kind, Length;
};

// Ticks with signed numbers to the left of its position, falling or rising by Increment.
class NTStaticScala : public NTWin {
 public:
  NTStaticScala(TWindowOwner* owner, NTWin* parent, Point pos, int length, int spacing, int first,
                int increment);
  void Paint(Dc& dc) override;
  int32_t Length, Spacing, First, Increment;
};
