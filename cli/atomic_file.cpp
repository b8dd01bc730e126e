#include "cli/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/failure.hpp"

namespace cli {

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  const std::filesystem::path target(path_);
  if (target.filename().empty()) fail("it names no file", EISDIR);
  struct stat existing {};
  if (::stat(path_.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) fail("it is a folder", EISDIR);
  temporary_ = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  descriptor_ = ::mkstemp(temporary_.data());
  if (descriptor_ < 0) fail("", errno);
  // mkstemp creates the file for its owner only; the target gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor_, 0666 & ~mask);
}

AtomicFile::~AtomicFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void AtomicFile::fail(const std::string& what, int error) const {
  throw kx::Failure(kx::error::kHostFailure,
                    "cannot write " + path_ + ": " + (what.empty() ? std::string(std::strerror(error)) : what));
}

void AtomicFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail("", written < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void AtomicFile::commit() {
  if (::fsync(descriptor_) != 0) fail("", errno);
  const int closed = ::close(descriptor_);
  descriptor_ = -1;
  if (closed != 0) fail("", errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) fail("", errno);
  committed_ = true;
}

void check_writable(const std::string& path) { AtomicFile probe(path); }

}  // namespace cli
