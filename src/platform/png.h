#pragma once
#include <string>

#include "platform/surface.h"

// Writes the surface as an 8-bit RGB PNG in place of the file at `path` (see AtomicFile); false,
// with the reason in *error, when it cannot be written.
bool WritePng(const Surface& surface, const std::string& path, std::string* error = nullptr);
