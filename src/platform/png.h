#pragma once
#include <string>

#include "platform/surface.h"

// Writes the surface as an 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const Surface& surface, const std::string& path);
