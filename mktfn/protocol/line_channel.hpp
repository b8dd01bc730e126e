// Messages framed as lines on a pair of file descriptors (a pipe or standard input and output):
// each message is one line of UTF-8 JSON ending in '\n'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mktfn::protocol {

class LineChannel {
 public:
  LineChannel(int input, int output, std::size_t max_line);

  enum class Read { Line, TooLong, End };
  // The next line without its '\n'. A line longer than the limit is skipped to its end and
  // reported as TooLong; End when the other side closed its end (or the input failed).
  Read read_line(std::string& line);
  // Writes one line and a '\n'. Raises std::runtime_error when the other side is gone.
  void write_line(std::string_view line);

 private:
  bool fill();

  int input_;
  int output_;
  std::size_t max_line_;
  std::string buffer_;
  std::size_t start_ = 0;  // unread data begins here
};

}  // namespace mktfn::protocol
