#include "mktfn/protocol/line_channel.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace mktfn::protocol {

LineChannel::LineChannel(int input, int output, std::size_t max_line)
    : input_(input), output_(output), max_line_(max_line) {}

LineChannel::Fill LineChannel::fill(Deadline deadline) {
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  char chunk[1 << 16];
  for (;;) {
    if (deadline != Deadline::max()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{input_, POLLIN, 0};
      const int polled =
          left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(std::min<std::int64_t>(left.count(), INT32_MAX))) : 0;
      if (polled < 0 && errno == EINTR) continue;
      if (polled == 0) return Fill::TimedOut;
    }
    const ssize_t count = ::read(input_, chunk, sizeof chunk);
    if (count > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(count));
      return Fill::More;
    }
    if (count < 0 && errno == EINTR) continue;
    return Fill::End;
  }
}

LineChannel::Read LineChannel::read_line(std::string& line, Deadline deadline) {
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
    const Fill filled = fill(deadline);
    if (filled == Fill::End) return Read::End;
    if (filled == Fill::TimedOut) return Read::TimedOut;
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
