#include "mktfn/protocol/line_channel.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace mktfn::protocol {

LineChannel::LineChannel(int input, int output, std::size_t max_line)
    : input_(input), output_(output), max_line_(max_line) {}

bool LineChannel::fill() {
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  char chunk[1 << 16];
  for (;;) {
    const ssize_t count = ::read(input_, chunk, sizeof chunk);
    if (count > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(count));
      return true;
    }
    if (count < 0 && errno == EINTR) continue;
    return false;
  }
}

LineChannel::Read LineChannel::read_line(std::string& line) {
  bool too_long = false;
  std::size_t searched = start_;
  for (;;) {
    const std::size_t end = buffer_.find('\n', searched);
    if (end != std::string::npos) {
      if (too_long || end - start_ > max_line_) {
        start_ = end + 1;
        return Read::TooLong;
      }
      line.assign(buffer_, start_, end - start_);
      start_ = end + 1;
      return Read::Line;
    }
    // An overlong line is dropped as it arrives instead of being kept whole.
    if (buffer_.size() - start_ > max_line_) {
      too_long = true;
      start_ = buffer_.size();
    }
    searched = buffer_.size() - start_;
    if (!fill()) return Read::End;
    searched += start_;  // fill() moved the unread data to the front
  }
}

void LineChannel::write_line(std::string_view line) {
  std::string message(line);
  message += '\n';
  std::size_t written = 0;
  while (written < message.size()) {
    const ssize_t count = ::write(output_, message.data() + written, message.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0)
      throw std::runtime_error(std::string("The other side of the channel is gone: ") + std::strerror(errno));
    written += static_cast<std::size_t>(count);
  }
}

}  // namespace mktfn::protocol
