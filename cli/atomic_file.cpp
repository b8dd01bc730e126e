#include "cli/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/failure.hpp"

namespace cli {
namespace {

// The temporary files being written, for a signal that ends kx to remove: an interrupted run
// leaves neither a half-written target nor a stray temporary file. Slots, not a container: the
// handler may only read and unlink.
std::array<std::atomic<const char*>, 16> pending{};

extern "C" void remove_pending_and_end(int signal) {
  for (auto& slot : pending) {
    if (const char* path = slot.load()) ::unlink(path);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// Installed once, for the signals whose default would end kx; a signal ignored stays ignored.
void handle_ending_signals() {
  static const bool installed = [] {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction action {};
      if (::sigaction(signal, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) continue;
      action.sa_handler = remove_pending_and_end;
      ::sigemptyset(&action.sa_mask);
      action.sa_flags = 0;
      ::sigaction(signal, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
}

void hold_pending(const char* path) {
  for (auto& slot : pending) {
    const char* none = nullptr;
    if (slot.compare_exchange_strong(none, path)) return;
  }
}

void release_pending(const char* path) {
  for (auto& slot : pending) {
    const char* held = path;
    if (slot.compare_exchange_strong(held, nullptr)) return;
  }
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  const std::filesystem::path target(path_);
  if (target.filename().empty()) fail("it names no file", EISDIR);
  struct stat existing {};
  if (::stat(path_.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) fail("it is a folder", EISDIR);
  temporary_ = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  handle_ending_signals();
  descriptor_ = ::mkstemp(temporary_.data());
  if (descriptor_ < 0) fail("", errno);
  hold_pending(temporary_.c_str());
  // mkstemp creates the file for its owner only; the target gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor_, 0666 & ~mask);
}

AtomicFile::~AtomicFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (!committed_) ::unlink(temporary_.c_str());
  release_pending(temporary_.c_str());
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
