// kx: the command-line tool through which people use the components.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <cstdio>
#include <string>

#include "cli/functions_command.hpp"

int main(int argc, char** argv) {
  CLI::App app{"kx - risk analysis and marketing functions from the command line"};
  app.require_subcommand(1);

  std::string class_name;
  auto* functions = app.add_subcommand("functions", "List each class's interface: members, parameters and declared types");
  functions->add_option("CLASS", class_name, "Only this class (Main, PDF, Tools, CheckParam, ChangeStats)");

  CLI11_PARSE(app, argc, argv);

  try {
    if (functions->parsed()) return cli::run_functions(class_name);
  } catch (const std::exception& failure) {
    fmt::print(stderr, "kx: {}\n", failure.what());
    return 1;
  }
  return 0;
}
