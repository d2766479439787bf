#pragma once
#include <string_view>

#include "platform/dc.h"

// Draws UTF-8 text into target, touching only pixels inside limit (which must lie within the
// target), and returns the box of the pixels it may have changed. Draws nothing when no font is
// available.
Rect DrawText(Surface& target, Rect limit, int x, int y, std::string_view utf8,
              const TextStyle& style);
