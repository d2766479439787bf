#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct stat;

// A file written beside its target and put in the target's place only when every byte is out,
// so the target always holds either the old or the complete new contents. Patches, rendered
// sound and pictures are all written through it.
//
// A symbolic link as target is followed by the kernel, with its protections (a stranger's link in
// a sticky folder, a loop): the link stays, what it reaches gets the new contents. A target the
// user may not write is refused, as the shell's redirection would refuse it. The new file keeps an
// existing target's mode. A target that exists but is not a regular file (/dev/null, a FIFO, a
// pipe) is written directly, as there is nothing to replace.
class AtomicFile {
 public:
  enum class Links {
    Follow,   // a link under the target's name is written through
    Replace,  // whatever is under the name (a link too) is replaced, never followed
  };
  // Opens the temporary file; check Ok().
  explicit AtomicFile(const std::string& path, Links links = Links::Follow);
  // Without Commit(), or after a failure, the temporary file disappears and the target stays.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool Ok() const { return error_.empty(); }
  // The system's description of the first failure, empty while all is well.
  const std::string& Error() const { return error_; }
  // A pipe or a FIFO: written directly and only from the front.
  bool Stream() const { return stream_; }
  // The open descriptor, for writers that need one (it stays this object's).
  int Descriptor() const { return fd_; }

  // Sequential and positioned access for writers that rewrite a header at the end.
  bool Write(const void* data, size_t size);
  int64_t Seek(int64_t offset, int whence);
  int64_t Read(void* data, size_t size);
  int64_t Size();

  // Flushes the data to the disk and renames the file over the target.
  bool Commit();

 private:
  bool Fail();
  bool FollowLink(const std::string& path, struct stat& st);
  void OpenDirect(const std::string& path);
  void OpenTemporary();

  std::string target_;    // what the kernel reached through any link
  std::string linkedAs_;  // the name given to an unnamed temporary file, once it has one
  int fd_ = -1;
  bool unnamed_ = false;  // the temporary file has no name until Commit
  bool direct_ = false;   // writing the target itself (not a regular file)
  bool stream_ = false;
  bool committed_ = false;
  std::string error_;
};

// Writes all bytes through an AtomicFile; on failure the system's reason is put in *error.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         std::string* error = nullptr,
                         AtomicFile::Links links = AtomicFile::Links::Follow);
