// The dialog methods go on after a failing statement: the statement's target keeps its value
// and the next statement runs. This is the one place that applies that rule.
#pragma once

#include <exception>

namespace riskfn::dialog {

class StatementRule {
 public:
  // Runs one statement; true when it completed. While failures are skipped, a failing
  // statement returns false; otherwise its failure leaves the call.
  template <class Statement>
  bool run(Statement&& statement) {
    if (!skipping_) {
      statement();
      return true;
    }
    try {
      statement();
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  // The condition of an `if`: a condition that fails counts as not met.
  template <class Condition>
  bool holds(Condition&& condition) {
    bool met = false;
    run([&] { met = condition(); });
    return met;
  }

  void skip_failures(bool skipping) { skipping_ = skipping; }

 private:
  bool skipping_ = true;
};

}  // namespace riskfn::dialog
