// Messages framed as lines on a pair of file descriptors (a pipe or standard input and output):
// each message is one line of UTF-8 JSON ending in '\n'.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace mktfn::protocol {

class LineChannel {
 public:
  LineChannel(int input, int output, std::size_t max_line);

  using Deadline = std::chrono::steady_clock::time_point;
  enum class Read { Line, TooLong, End, TimedOut };
  // The next line without its '\n'. A line longer than the limit is skipped to its end and
  // reported as TooLong; End when the other side closed its end (or the input failed); TimedOut
  // when no whole line came before the deadline.
  Read read_line(std::string& line, Deadline deadline = Deadline::max());
  // Writes one line and a '\n'. Raises std::runtime_error when the other side is gone.
  void write_line(std::string_view line);

 private:
  enum class Fill { More, End, TimedOut };
  Fill fill(Deadline deadline);

  int input_;
  int output_;
  std::size_t max_line_;
  std::string buffer_;
  std::size_t start_ = 0;  // unread data begins here
};

}  // namespace mktfn::protocol
