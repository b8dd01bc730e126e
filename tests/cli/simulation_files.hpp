// Files the simulation command tests write and read: scratch paths, CSV models and the columns
// of a --csv file.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace cli::testing {

// A path in the temporary folder, apart for each test program and suite.
inline std::filesystem::path scratch(const std::string& suite, const std::string& name) {
  return std::filesystem::temp_directory_path() / fmt::format("kx_{}_{}_{}", suite, getpid(), name);
}

// A path in the temporary folder for the running test's suite.
inline std::filesystem::path scratch(const std::string& name) {
  return scratch(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name(), name);
}

// A file's bytes, as they are.
inline std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::filesystem::path write_model(const std::filesystem::path& path, const std::string& csv) {
  std::ofstream(path) << csv;
  return path;
}

// The columns of a --csv file by header; every field a number.
inline std::map<std::string, std::vector<double>> read_columns(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  std::vector<std::string> names;
  std::stringstream header(line);
  for (std::string name; std::getline(header, name, ',');) names.push_back(name);
  std::map<std::string, std::vector<double>> columns;
  while (std::getline(file, line)) {
    std::stringstream row(line);
    std::string field;
    for (std::size_t i = 0; std::getline(row, field, ','); ++i) columns[names.at(i)].push_back(std::stod(field));
  }
  return columns;
}

// A CSV model written to the running test's scratch folder.
inline std::filesystem::path model_file(const std::string& name, const std::string& csv) {
  return write_model(scratch(name), csv);
}

}  // namespace cli::testing
