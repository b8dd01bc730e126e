// PDF: distribution fitting for the add-in's fitting dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/object.hpp"
#include "common/value.hpp"
#include "riskfn/frame/component_child.hpp"

namespace riskfn::fitting {
class CumulativeMemo;
}

namespace riskfn {

class PDF : public ComponentChild {
 public:
  const kx::Interface* automation_interface() const override;

  // Fits every candidate the dialog's selection admits to the sorted observations in column 3
  // of FitTestData, stores one row per candidate in FitResult and one time per candidate in
  // elapsedTime, and ranks the rows when all distributions were asked for. Every result
  // travels through the by-reference parameters; the returned text is always empty. A
  // failure of the run itself (summary statistics, tables too small) ends it with what was
  // written so far; a candidate whose own formulas fail is marked not applicable.
  std::string FitPDF(kx::Value& totTime, kx::Value& rngInput, std::int16_t& NumFittedPDFs, kx::ObjectRef& frmSimDistrib,
                     kx::Value& FitIndex, kx::Value& FitTestData, std::string& FitPDFName, kx::Value& Coef1,
                     kx::Value& Coef2, kx::Value& Coef3, kx::Value& Coef4, kx::Value& Coef5, kx::Value& FitResult,
                     kx::Value& elapsedTime);

  // Writes the column titles into row 0 of FitResult and one candidate into row
  // NumFittedPDFs: rank 1, name, then the distance and the five parameters formatted
  // "0.0000" (texts unchanged). Untrapped: a row or column outside the array, or a FitResult
  // that is no array, fails the call, leaving what was written before.
  kx::Value StoreFitData(kx::Value& FitResult, std::int16_t& NumFittedPDFs, std::string& FitPDFName,
                         kx::Value& FitIndex, kx::Value& Coef1, kx::Value& Coef2, kx::Value& Coef3, kx::Value& Coef4,
                         kx::Value& Coef5);

  // The text of a row of the risk tables, for the fitting code.
  std::string risk_text(std::int32_t row) const { return text(0, row); }

  // Where FitPDF leaves F of each continuous candidate at every observation, for a caller
  // that measures the same fits again; nowhere while none is set.
  void keep_cumulatives_in(std::shared_ptr<fitting::CumulativeMemo> memo) { cumulatives_ = std::move(memo); }
  fitting::CumulativeMemo* cumulatives() const { return cumulatives_.get(); }

 private:
  std::shared_ptr<fitting::CumulativeMemo> cumulatives_;
};

}  // namespace riskfn
