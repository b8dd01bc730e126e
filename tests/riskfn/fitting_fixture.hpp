// riskfn started in a host session, with a sheet to put observations on and the fitting
// dialog's stand-in to call PDF.FitPDF as the add-in does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "host/dialog/fitting_dialog.hpp"
#include "host/document/book.hpp"
#include "host/document/sheet.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace riskfn {

class FittingTest : public ::testing::Test {
 protected:
  FittingTest() : main_(std::dynamic_pointer_cast<Main>(create_object("Main"))), session_({main_}) {
    session_.open_blank();
  }

  // The observations in A1:An of the blank sheet.
  kx::RangeRef put_data(const std::vector<double>& values) {
    auto sheet = session_.application().active_book()->sheets().front();
    for (std::size_t i = 0; i < values.size(); ++i) sheet->set_value(static_cast<std::int32_t>(i + 1), 1, values[i]);
    return sheet->range("A1:A" + std::to_string(values.size()));
  }

  host::FittingOutcome fit(const std::vector<double>& values, const std::string& selection, bool continuous = true,
                           bool discrete = true, std::int32_t timing_rows = 26) {
    const auto dialog = host::FittingDialog::create(selection, continuous, discrete);
    return dialog->fit(*main_->pdf(), put_data(values), timing_rows);
  }

  std::string text(std::int32_t row) { return main_->pdf()->risk_text(row); }
  std::string all() { return text(41); }
  std::string name_of(std::int32_t code) { return text(252 + code); }
  std::string not_applicable() { return text(51); }

  // The row of a result table whose column 2 holds the name; 0 when none does.
  static std::int32_t row_named(const kx::Array& results, const std::string& name) {
    for (std::size_t row = 1; row < results.rows(); ++row) {
      if (results.at(row, 2) == kx::Value(name)) return static_cast<std::int32_t>(row);
    }
    return 0;
  }
  static std::string cell_text(const kx::Array& table, std::size_t row, std::size_t column) {
    return kx::display_text(table.at(row, column));
  }

  std::shared_ptr<Main> main_;
  host::Session session_;
};

}  // namespace riskfn
