// A stand-in for the add-in's fitting dialog: the three controls the fitting component reads,
// reached late-bound as frmSimDistrib.cboDistrFit.Text, .chkContin.Value and .chkDiscr.Value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/host_services.hpp"
#include "common/object.hpp"
#include "common/value.hpp"
#include "host/dialog/dialog_controls.hpp"

namespace host {

// What one fitting call left in the dialog's variables and tables.
struct FittingOutcome {
  double total_milliseconds = 0.0;  // totTime
  std::int16_t fitted = 0;          // NumFittedPDFs
  kx::Value fit_index;              // FitIndex: the last candidate's distance, unformatted
  kx::Array results;                // FitResult: rows 0 .. 26, columns 0 .. 8
  kx::Array timings;                // elapsedTime: rows 0 .. timing_rows, columns 0 .. 2
};

class FittingDialog : public kx::Object {
 public:
  // The selected distribution (a display name or the text for all of them) and the kinds ticked.
  static std::shared_ptr<FittingDialog> create(std::string selection, bool continuous, bool discrete);

  const kx::Interface* automation_interface() const override;

  // What the dialog does on "fit": sorts the numbers of the one-column range `data` into
  // column 3 of FitTestData, allocates the result table (rows 0 to 26) and the timing table
  // (rows 0 to `timing_rows`), and calls PDF.FitPDF by name with itself as frmSimDistrib.
  // Fails with type mismatch for a cell that holds no number.
  FittingOutcome fit(kx::Object& pdf, const kx::RangeRef& data, std::int32_t timing_rows = 26);

  std::shared_ptr<DialogControl> distribution_list = std::make_shared<DialogControl>();  // cboDistrFit
  std::shared_ptr<DialogControl> continuous_box = std::make_shared<DialogControl>();     // chkContin
  std::shared_ptr<DialogControl> discrete_box = std::make_shared<DialogControl>();       // chkDiscr
};

}  // namespace host
