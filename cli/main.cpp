// kx: the command-line tool through which people use the components.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/eval_command.hpp"
#include "cli/functions_command.hpp"
#include "host/addin/addin_workbook.hpp"

int main(int argc, char** argv) {
  CLI::App app{"kx - risk analysis and marketing functions from the command line"};
  app.require_subcommand(1);
  // Options of the tool as a whole may also be given after the command's name.
  app.fallthrough();

  std::string language = "GBR";
  app.add_option("--lang", language, "The add-in's language for texts: GBR, ITA, ESP, FRA or GER")
      ->transform(
          CLI::IsMember(std::vector<std::string>(std::begin(host::kLanguageCodes), std::end(host::kLanguageCodes)),
                        CLI::ignore_case));

  std::string class_name;
  auto* functions =
      app.add_subcommand("functions", "List each class's interface: members, parameters and declared types");
  functions->add_option("CLASS", class_name,
                        "Only this class (Main, PDF, Tools, CheckParam, ChangeStats; mktfn.Main, mktfn.Tools)");

  cli::EvalOptions eval_options;
  auto* eval = app.add_subcommand("eval", "Evaluate formulas against workbooks, with the components' functions");
  eval->add_option("--sheet", eval_options.sheets, "A workbook to load (.csv, .xlsx, .ods); may be repeated")
      ->check(CLI::ExistingFile)
      ->allow_extra_args(false);
  eval->add_option("--seed", eval_options.seed, "Seed the uniform generator so that sampling repeats exactly");
  eval->add_option("--digits", eval_options.digits, "Significant digits of printed numbers (17 reads back exactly)")
      ->check(CLI::Range(1, 17));
  eval->add_option("FORMULA", eval_options.formulas, "Formulas to evaluate, with or without a leading '='")->required();

  CLI11_PARSE(app, argc, argv);

  try {
    if (functions->parsed()) return cli::run_functions(class_name);
    if (eval->parsed()) {
      eval_options.language = language;
      return cli::run_eval(eval_options);
    }
  } catch (const std::exception& failure) {
    fmt::print(stderr, "kx: {}\n", failure.what());
    return 1;
  }
  return 0;
}
