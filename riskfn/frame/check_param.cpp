#include "riskfn/frame/check_param.hpp"

namespace riskfn {

const kx::Interface* CheckParam::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<CheckParam> builder("CheckParam");
    add_common_properties(builder);
    builder
        .method<&CheckParam::DoCheckParamPart1>(
            "DoCheckParamPart1",
            {"checkIndex", "intPDF", "Controls", "cboDistr", "arrLabels", "arrValues", "arrStats", "WorksheetFunction",
             "XStart", "PointCount", "delta", "XFinish", "txtValue1", "txtValue2", "LeftX", "RightX"})
        .method<&CheckParam::DoCheckParamPart2>("DoCheckParamPart2",
                                                {"intPDF", "XStart", "XFinish", "LeftX", "RightX"});
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
