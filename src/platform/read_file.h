#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The first `limit` bytes of a file, read to its end rather than sized by seeking, so pipes,
// FIFOs and /dev/stdin work like files. Empty when the file cannot be opened or read; then the
// system's reason is put in *error.
std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t limit,
                                   std::string* error = nullptr);
