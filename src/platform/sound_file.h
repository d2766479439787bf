#pragma once
#include <sndfile.h>

#include <memory>
#include <string>

// What the render tool's sound input and output share: the open library handle and the
// library's reasons in the tool's own words.
struct SndfileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// "what went wrong (the library's detail)"; `file` is null for a failed open.
std::string SndfileFailure(const std::string& what, SNDFILE* file);
// Why the library refused to open a file for reading, in German, with its detail.
std::string OpenFailure(SNDFILE* attempted);
