#include "riskfn/frame/change_stats.hpp"

namespace riskfn {

const kx::Interface* ChangeStats::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<ChangeStats> builder("ChangeStats");
    add_common_properties(builder);
    builder
        .method<&ChangeStats::DoChangeStats>(
            "DoChangeStats", {"intPDF", "LeftX", "RightX", "arrStats", "arrValues", "cboDistr", "arrLabels", "XFinish",
                              "cmdStatistics", "lstStats", "tWorksheetFunction", "tfrmSimDistrib"})
        .method<&ChangeStats::CalcPDF>("CalcPDF", {"px", "arrLabels", "arrValues", kx::optional("bBool", false)});
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
