// The one failure type of the system: a run-time error number with a readable message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kx {

// Run-time error numbers of the automation platform that this system raises.
namespace error {
inline constexpr std::int32_t kBadBounds = 0;  // the bad-bounds error value of some sampling functions
inline constexpr std::int32_t kInvalidCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kDivisionByZero = 11;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kOutOfStackSpace = 28;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kNoSuchMember = 438;
inline constexpr std::int32_t kServerUnavailable = 462;  // an out-of-process server that is gone
inline constexpr std::int32_t kArgumentNotOptional = 449;
inline constexpr std::int32_t kWrongArgumentCount = 450;
inline constexpr std::int32_t kHostFailure = 1004;  // a host operation that cannot be carried out
// The worksheet's own error values, as a host function returns them.
inline constexpr std::int32_t kXlDiv0 = 2007;   // #DIV/0!
inline constexpr std::int32_t kXlNA = 2042;     // #N/A
inline constexpr std::int32_t kXlName = 2029;   // #NAME?
inline constexpr std::int32_t kXlNull = 2000;   // #NULL!
inline constexpr std::int32_t kXlNum = 2036;    // #NUM!
inline constexpr std::int32_t kXlRef = 2023;    // #REF!
inline constexpr std::int32_t kXlValue = 2015;  // #VALUE!
// The platform's "parameter not found" code, carried by the missing-argument marker.
inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);
}  // namespace error

// The platform's usual text for an error number, or a generic one.
std::string error_description(std::int32_t number);

class Failure : public std::runtime_error {
 public:
  explicit Failure(std::int32_t number);
  Failure(std::int32_t number, const std::string& message);

  std::int32_t number() const noexcept { return number_; }

 private:
  std::int32_t number_;
};

}  // namespace kx
