#include "riskfn/fitting/sample_summary.hpp"

#include "common/conversions.hpp"
#include "common/failure.hpp"

namespace riskfn::fitting {

Sample summarise(kx::Application& application, kx::WorksheetFunctionObject& worksheet, const kx::Value& data,
                 float count, std::span<const double> sorted) {
  const auto statistic = [&](kx::WorksheetFn fn) { return kx::to_double(worksheet.call(fn, {data})); };
  Sample sample;
  sample.mean = statistic(kx::WorksheetFn::Average);
  try {
    sample.stdev = statistic(kx::WorksheetFn::Stdev);
  } catch (const kx::Failure&) {
    sample.stdev.reset();
  }
  if (const kx::Value variance = application.call(kx::WorksheetFn::Var, {data}); variance.is_number())
    sample.variance = variance.number();
  sample.min = statistic(kx::WorksheetFn::Min);
  sample.max = statistic(kx::WorksheetFn::Max);
  sample.count = count;
  sample.sorted = sorted;
  return sample;
}

}  // namespace riskfn::fitting
