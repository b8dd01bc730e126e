// Any bytes given to the CSV reader give a workbook or a failure with a message; anything
// else (a crash, a hang, another exception) is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/files/workbook_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Small limits keep every run quick and put the limits themselves in reach.
  host::ReadLimits limits;
  limits.max_cells = 50'000;
  limits.max_text_bytes = 1 << 20;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  // As written with commas and points, and as where the decimal mark is a comma.
  for (const host::CsvFormat format : {host::CsvFormat{}, host::CsvFormat{';', ','}}) {
    try {
      host::read_workbook(content, host::WorkbookFormat::Csv, "fuzz.csv", limits, format);
    } catch (const kx::Failure&) {
    }
  }
  return 0;
}
