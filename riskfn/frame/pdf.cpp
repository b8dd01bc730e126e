#include "riskfn/frame/pdf.hpp"

namespace riskfn {

const kx::Interface* PDF::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<PDF> builder("PDF");
    add_common_properties(builder);
    builder
        .method<&PDF::FitPDF>(
            "FitPDF", {"totTime", "rngInput", "NumFittedPDFs", "frmSimDistrib", "FitIndex", "FitTestData", "FitPDFName",
                       "Coef1", "Coef2", "Coef3", "Coef4", "Coef5", "FitResult", "elapsedTime"})
        .method<&PDF::StoreFitData>("StoreFitData", {"FitResult", "NumFittedPDFs", "FitPDFName", "FitIndex", "Coef1",
                                                     "Coef2", "Coef3", "Coef4", "Coef5"});
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
