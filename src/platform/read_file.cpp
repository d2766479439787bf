#include "platform/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
constexpr size_t kChunk = 64 * 1024;
}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t limit, std::string* error) {
  const auto failed = [error]() -> std::vector<uint8_t> {
    if (error) *error = std::strerror(errno);
    return {};
  };
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return failed();
  std::vector<uint8_t> bytes;
  // Grows with what arrives, never with what a size claims.
  while (bytes.size() < limit) {
    const size_t have = bytes.size();
    bytes.resize(have + std::min(kChunk, limit - have));
    const size_t n = std::fread(bytes.data() + have, 1, bytes.size() - have, file.get());
    bytes.resize(have + n);
    if (n == 0) break;
  }
  if (std::ferror(file.get())) return failed();
  return bytes;
}
