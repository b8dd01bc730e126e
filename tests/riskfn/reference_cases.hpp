// Reference cases written by the scripts in tests/data: one CSV line per call, with the
// function's name, its arguments and the expected number.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "common/value.hpp"

namespace riskfn {

// The fields of one line of a CSV file; a field in double quotes may hold commas.
inline std::vector<std::string> csv_fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Arguments written as the reference scripts write them: numbers, an empty token for an
// omitted argument, a text after an apostrophe.
inline std::vector<kx::Value> parse_arguments(const std::string& text) {
  std::vector<kx::Value> arguments;
  std::stringstream tokens(text);
  std::string token;
  while (std::getline(tokens, token, ';')) {
    if (token.empty()) {
      arguments.emplace_back(kx::Value::missing());
    } else if (token.front() == '\'') {
      arguments.emplace_back(token.substr(1));
    } else {
      arguments.emplace_back(kx::parse_number(token).value());
    }
  }
  if (!text.empty() && text.back() == ';') arguments.emplace_back(kx::Value::missing());
  return arguments;
}

struct ReferenceCase {
  std::string label;
  std::string function;
  std::vector<kx::Value> arguments;
  double expected;
};

// The cases of a file in tests/data, its header line skipped.
inline std::vector<ReferenceCase> reference_cases(const std::string& file_name) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/" + file_name);
  std::vector<ReferenceCase> cases;
  std::string line;
  std::getline(file, line);
  while (std::getline(file, line)) {
    const auto fields = csv_fields(line);
    if (fields.size() != 4) continue;
    cases.push_back({fields[0], fields[1], parse_arguments(fields[2]), *kx::parse_number(fields[3])});
  }
  return cases;
}

}  // namespace riskfn
