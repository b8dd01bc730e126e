// An output file written under a temporary name beside its target and renamed over the target
// only once it is complete: an interrupted run, a full disk or a failed write leaves the target
// as it was (or absent), never half-written, and two runs writing the same path leave one whole.
// An interrupt or termination signal removes the temporary files being written before kx ends.
#pragma once

#include <string>
#include <string_view>

namespace cli {

class AtomicFile {
 public:
  // Creates the temporary file in the target's folder; raises kx::Failure naming the path and
  // the system's reason when it cannot.
  explicit AtomicFile(std::string path);
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Raises kx::Failure with the system's reason (a full disk, ...).
  void write(std::string_view bytes);
  // Flushes the file to disk and renames it to the target.
  void commit();

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void fail(const std::string& what, int error) const;

  std::string path_;
  std::string temporary_;
  int descriptor_ = -1;
  bool committed_ = false;
};

// Raises kx::Failure, with the reason, unless a file can be created beside `path` and renamed to
// it: checked before a run, so that an unwritable path is not found only after it.
void check_writable(const std::string& path);

}  // namespace cli
