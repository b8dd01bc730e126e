// Main's properties and methods in interface order: the properties, Initialize, the model
// markers and rounding, the analysis functions, then sampling and distribution functions.
#include "riskfn/frame/main_interface.hpp"

#include "common/automation/binding.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/check_param.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"
#include "riskfn/frame/tools.hpp"
#include "riskfn/sampling/sampling_protocol.hpp"

namespace riskfn {
namespace {

// A child as a late-bound object, and set from one of the right class.
template <class Child>
kx::Value child_value(const std::shared_ptr<Child>& child) {
  return child ? kx::Value(kx::ObjectRef(child)) : kx::Value();
}

template <class Child>
std::shared_ptr<Child> child_from(const kx::Value& value) {
  if (value.is_empty()) return nullptr;
  auto child = value.is_object() ? std::dynamic_pointer_cast<Child>(value.object()) : nullptr;
  if (!child) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the object is of another class");
  return child;
}

}  // namespace

kx::Interface main_interface() {
  using kx::DeclaredType;
  using kx::Value;
  kx::InterfaceBuilder<Main> builder("Main");
  builder
      .property(
          "Application", DeclaredType::Variant, [](const Main& m) { return m.application(); },
          [](Main& m, const Value& v) { m.set_application(v); })
      .property(
          "ThisWorkbook", DeclaredType::Variant, [](const Main& m) { return m.this_workbook(); },
          [](Main& m, const Value& v) { m.set_this_workbook(v); })
      .property(
          "PDF", DeclaredType::Object, [](const Main& m) { return child_value(m.pdf()); },
          [](Main& m, const Value& v) { m.set_pdf(child_from<PDF>(v)); })
      .property(
          "Tools", DeclaredType::Object, [](const Main& m) { return child_value(m.tools()); },
          [](Main& m, const Value& v) { m.set_tools(child_from<Tools>(v)); })
      .property(
          "CheckParam", DeclaredType::Object, [](const Main& m) { return child_value(m.check_param()); },
          [](Main& m, const Value& v) { m.set_check_param(child_from<CheckParam>(v)); })
      .property(
          "ChangeStats", DeclaredType::Object, [](const Main& m) { return child_value(m.change_stats()); },
          [](Main& m, const Value& v) { m.set_change_stats(child_from<ChangeStats>(v)); })
      .method<&Main::Initialize>("Initialize", {});
  builder.method<&Main::kxOUTPUT>("kxOUTPUT", {})
      .method<&Main::kxLOCK>("kxLOCK", {})
      .method<&Main::kxNAME>("kxNAME", {"CellName", kx::optional("ItemNum", 0)})
      .method<&Main::utRoundDLL>("utRoundDLL", {"Value", kx::optional("numDigits", 0)});
  builder.method<&Main::kxHISTO>("kxHISTO", {"InputRng", kx::optional("Classes"), kx::optional("pointerHisto")})
      .method<&Main::kxOPTNUM>("kxOPTNUM",
                               {"InputRange", kx::optional("StablePeriods"), kx::optional("SelectionLimit")})
      .method<&Main::kxWEIBULLEST>("kxWEIBULLEST", {"P1", "P2", kx::optional("OnlyOneValue", 0)})
      .method<&Main::kxCORREL>("kxCORREL", {"correlArray"});
  // The sampling functions, alphabetically; every one ends with corFactor and ModeSheet, and
  // kxBETAGEN's optional bounds follow them.
  builder.method<&Main::kxBETA>("kxBETA", {"scaleP", "shapeP", "corFactor", "ModeSheet"})
      .method<&Main::kxBETAGEN>("kxBETAGEN", {"scaleP", "shapeP", "corFactor", "ModeSheet", kx::optional("LowVal", 0.0),
                                              kx::optional("UpVal", 0.0)})
      .method<&Main::kxBINOMIAL>("kxBINOMIAL", {"Trials", "Success", "corFactor", "ModeSheet"})
      .method<&Main::kxCHI2>("kxCHI2", {"Degrees", "corFactor", "ModeSheet"})
      .method<&Main::kxDISCRETE>("kxDISCRETE", {"RngValues", "RngProbs", "corFactor", "ModeSheet"})
      .method<&Main::kxERF>("kxERF", {"Mean", "corFactor", "ModeSheet"})
      .method<&Main::kxERLANG>("kxERLANG", {"scaleP", "shapeP", "corFactor", "ModeSheet"})
      .method<&Main::kxEXPON>("kxEXPON", {"Mean", "corFactor", "ModeSheet"})
      .method<&Main::kxEXTVAL>("kxEXTVAL", {"ModalValue", "StDeviation", "corFactor", "ModeSheet"})
      .method<&Main::kxGAMMA>("kxGAMMA", {"scaleP", "shapeP", "corFactor", "ModeSheet"})
      .method<&Main::kxGAUSSINV>("kxGAUSSINV", {"Mean", "scaleP", "corFactor", "ModeSheet"})
      .method<&Main::kxGEO>("kxGEO", {"Trials", "corFactor", "ModeSheet"})
      .method<&Main::kxHYPERGEO>("kxHYPERGEO", {"Sample", "Defects", "BatchSize", "corFactor", "ModeSheet"})
      .method<&Main::kxINTUNI>("kxINTUNI", {"LowVal", "UpVal", "corFactor", "ModeSheet"})
      .method<&Main::kxLOGISTIC>("kxLOGISTIC", {"Mean", "StDeviation", "corFactor", "ModeSheet"})
      .method<&Main::kxLOGNORMAL>("kxLOGNORMAL", {"Mean", "StDeviation", "corFactor", "ModeSheet"})
      .method<&Main::kxNEGBIN>("kxNEGBIN", {"Failures", "Successes", "corFactor", "ModeSheet"})
      .method<&Main::kxNORMAL>("kxNORMAL", {"Mean", "StDeviation", "corFactor", "ModeSheet"})
      .method<&Main::kxPARETO>("kxPARETO", {"Location", "ModalValue", "corFactor", "ModeSheet"})
      .method<&Main::kxPARETO2>("kxPARETO2", {"Location", "ModalValue", "corFactor", "ModeSheet"})
      .method<&Main::kxPERT>("kxPERT", {"Low", "ML", "High", "corFactor", "ModeSheet"})
      .method<&Main::kxPOISSON>("kxPOISSON", {"Mean", "corFactor", "ModeSheet"})
      .method<&Main::kxRANDBETWEEN>("kxRANDBETWEEN", {"LowVal", "UpVal", "corFactor", "ModeSheet"})
      .method<&Main::kxRAYLEIGH>("kxRAYLEIGH", {"scaleP", "corFactor", "ModeSheet"})
      .method<&Main::kxSTUDENT>("kxSTUDENT", {"Degrees", "corFactor", "ModeSheet"})
      .method<&Main::kxTRI>("kxTRI", {"LowVal", "ModalValue", "UpVal", "corFactor", "ModeSheet"})
      .method<&Main::kxUNIFORM>("kxUNIFORM", {"LowVal", "UpVal", "corFactor", "ModeSheet"})
      .method<&Main::kxWEIBULL>("kxWEIBULL", {"Life", "shapeP", "corFactor", "ModeSheet"});
  // The distribution functions, alphabetically; CumulProb is an optional boolean, or an optional
  // double in kxBETAc, kxBETAGENc and kxBINOMIALc.
  const auto flag = [] { return kx::optional("CumulProb", false); };
  const auto number_flag = [] { return kx::optional("CumulProb", 0.0); };
  builder.method<&Main::kxBETAc>("kxBETAc", {"ProbX", "scaleP", "shapeP", number_flag()})
      .method<&Main::kxBETAGENc>("kxBETAGENc", {"ProbX", "scaleP", "shapeP", "LowVal", "UpVal", number_flag()})
      .method<&Main::kxBINOMIALc>("kxBINOMIALc", {"ProbX", "Trials", "Successes", number_flag()})
      .method<&Main::kxCHI2c>("kxCHI2c", {"ProbX", "Degrees", flag()})
      .method<&Main::kxERFc>("kxERFc", {"ProbX", "h", flag()})
      .method<&Main::kxERLANGc>("kxERLANGc", {"ProbX", "scaleP", "shapeP", flag()})
      .method<&Main::kxEXPONc>("kxEXPONc", {"ProbX", "Mean", flag()})
      .method<&Main::kxEXTVALc>("kxEXTVALc", {"ProbX", "ModalValue", "scaleP", flag()})
      .method<&Main::kxGAMMAc>("kxGAMMAc", {"ProbX", "scaleP", "shapeP", flag()})
      .method<&Main::kxGAUSSINVc>("kxGAUSSINVc", {"ProbX", "Mean", "scaleP", flag()})
      .method<&Main::kxGEOc>("kxGEOc", {"ProbX", "Trials", flag()})
      .method<&Main::kxHYPERGEOc>("kxHYPERGEOc", {"ProbX", "Sample", "Defects", "BatchSize"})
      .method<&Main::kxINTUNIc>("kxINTUNIc", {"ProbX", "LowVal", "UpVal"})
      .method<&Main::kxLOGISTICc>("kxLOGISTICc", {"ProbX", "Mean", "scaleP", flag()})
      .method<&Main::kxLOGNORMALc>("kxLOGNORMALc", {"ProbX", "Mean", "StDeviation", flag()})
      .method<&Main::kxNEGBINc>("kxNEGBINc", {"ProbX", "Failures", "Successes"})
      .method<&Main::kxNORMALc>("kxNORMALc", {"ProbX", "Mean", "StDeviation", flag()})
      .method<&Main::kxPARETOc>("kxPARETOc", {"ProbX", "Location", "shapeP"})
      .method<&Main::kxPARETO2c>("kxPARETO2c", {"ProbX", "Location", "shapeP"})
      .method<&Main::kxPERTc>("kxPERTc", {"ProbX", "LowVal", "ModalValue", "UpVal", flag()})
      .method<&Main::kxPOISSONc>("kxPOISSONc", {"ProbX", "Mean", flag()})
      .method<&Main::kxRAYLEIGHc>("kxRAYLEIGHc", {"ProbX", "scaleP"})
      .method<&Main::kxSTUDENTc>("kxSTUDENTc", {"ProbX", "Degrees", flag()})
      .method<&Main::kxTRIc>("kxTRIc", {"ProbX", "LowVal", "ModalValue", "UpVal", flag()})
      .method<&Main::kxUNIFORMc>("kxUNIFORMc", {"ProbX", "LowVal", "UpVal", flag()})
      .method<&Main::kxWEIBULLc>("kxWEIBULLc", {"ProbX", "Life", "shapeP", flag()});
  kx::Interface interface = builder.build();
  sampling::add_continuous_draws(interface);
  sampling::add_discrete_draws(interface);
  return interface;
}

}  // namespace riskfn
