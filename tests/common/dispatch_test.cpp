// Calls by name: conversion to declared types, defaults, write-back and failures.
#include "common/automation/dispatch.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/automation/binding.hpp"

namespace kx {
namespace {

// A small published class standing for a component.
class Sample : public Object {
 public:
  const Interface* automation_interface() const override {
    static const Interface interface = [] {
      InterfaceBuilder<Sample> builder("Sample");
      builder.property(
          "Factor", DeclaredType::Double, [](const Sample& s) { return Value(s.factor); },
          [](Sample& s, const Value& v) { s.factor = to_double(v); });
      builder.property(
          "Name", DeclaredType::Text, [](const Sample&) { return Value("sample"); }, nullptr);
      builder.method<&Sample::Scale>("Scale", {"x", "times"});
      builder.method<&Sample::Bump>("Bump", {"counter", optional("step", 1.0)});
      builder.method<&Sample::Describe>("Describe", {"anything", "label"});
      builder.method<&Sample::Narrow>("Narrow", {"small", "large", "tiny", "flag"});
      builder.method<&Sample::Reset>("Reset", {});
      builder.method<&Sample::Fill>("Fill", {"slot", "x"});
      builder.method<&Sample::Keep>("Keep", {"number", "label"});
      return builder.build();
    }();
    return &interface;
  }

  double Scale(double x, std::int16_t times) { return factor * x * times; }
  void Keep(double&, std::string&) {}
  void Bump(std::int32_t& counter, double step) { counter += static_cast<std::int32_t>(step); }
  Value Describe(Value anything, std::string& label) {
    label = "seen";
    return anything.is_missing() ? Value("missing") : anything;
  }
  double Narrow(std::int16_t small, std::int32_t large, std::uint8_t tiny, bool flag) {
    return small + large + tiny + (flag ? 1000.0 : 0.0);
  }
  void Reset() { factor = 1.0; }
  void Fill(Value& slot, double x) {
    slot = x;
    if (x < 0) throw Failure(error::kInvalidCall, "negative");
  }

  double factor = 1.0;
};

// The failure's number and message, or -1 when the call succeeds.
std::pair<std::int32_t, std::string> failure_of_call(Object& object, const char* name, std::vector<Value> arguments) {
  try {
    call_by_name(object, name, arguments);
  } catch (const Failure& failure) {
    return {failure.number(), failure.what()};
  }
  return {-1, {}};
}

TEST(Dispatch, ConvertsEachArgumentToItsDeclaredType) {
  Sample sample;
  std::vector<Value> arguments = {"2.5", 2.5};  // 2.5 as a 16-bit integer rounds to 2
  EXPECT_EQ(call_by_name(sample, "Scale", arguments), Value(5.0));
  std::vector<Value> booleans = {true, 3.0};
  EXPECT_EQ(call_by_name(sample, "scale", booleans), Value(-3.0));
  std::vector<Value> narrow = {"7", 70000.0, 200.0, "True"};
  EXPECT_EQ(call_by_name(sample, "Narrow", narrow), Value(7.0 + 70000 + 200 + 1000));
}

TEST(Dispatch, FailsTheCallOnAFailedConversion) {
  Sample sample;
  // A conversion's failure names the argument and what was wrong with it.
  const struct {
    const char* label;
    const char* name;
    std::vector<Value> arguments;
    std::int32_t number;
    std::string message;
  } cases[] = {
      {"text that is no number",
       "Scale",
       {"abc", 1.0},
       error::kTypeMismatch,
       "argument 1 (x): text \"abc\" is not a number"},
      {"error value as a double",
       "Scale",
       {ErrorValue{error::kXlNA}, 1.0},
       error::kTypeMismatch,
       "argument 1 (x): the error value #N/A is not a number"},
      {"16-bit overflow",
       "Scale",
       {1.0, 32768.0},
       error::kOverflow,
       "argument 2 (times): 32768 is not a whole number from -32768 to 32767"},
      {"16-bit underflow",
       "Scale",
       {1.0, -32769.0},
       error::kOverflow,
       "argument 2 (times): -32769 is not a whole number from -32768 to 32767"},
      {"32-bit overflow",
       "Narrow",
       {1.0, 2147483648.0, 1.0, false},
       error::kOverflow,
       "argument 2 (large): 2147483648 is not a whole number from -2147483648 to 2147483647"},
      {"byte overflow",
       "Narrow",
       {1.0, 1.0, 256.0, false},
       error::kOverflow,
       "argument 3 (tiny): 256 is not a whole number from 0 to 255"},
      {"no boolean",
       "Narrow",
       {1.0, 1.0, 1.0, "maybe"},
       error::kTypeMismatch,
       "argument 4 (flag): text \"maybe\" is not TRUE or FALSE"},
      {"no such member", "Nothing", {}, error::kNoSuchMember, ""},
      {"too many arguments", "Scale", {1.0, 1.0, 1.0}, error::kWrongArgumentCount, ""},
      {"required typed argument omitted", "Scale", {1.0}, error::kArgumentNotOptional, ""},
      {"required typed argument as marker", "Scale", {Value::missing(), 1.0}, error::kArgumentNotOptional, ""},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.label);
    const auto [number, message] = failure_of_call(sample, entry.name, entry.arguments);
    EXPECT_EQ(number, entry.number);
    if (!entry.message.empty()) {
      EXPECT_EQ(message, entry.message);
    }
  }
}

TEST(Dispatch, WritesByReferenceArgumentsBack) {
  Sample sample;
  std::vector<Value> arguments = {Value(41.0)};
  call_by_name(sample, "Bump", arguments);
  EXPECT_EQ(arguments[0], Value(42.0));

  std::vector<Value> with_step = {Value(1.0), Value(10.0)};
  call_by_name(sample, "Bump", with_step);
  EXPECT_EQ(with_step[0], Value(11.0));
  EXPECT_EQ(with_step[1], Value(10.0));  // by value: untouched

  std::vector<Value> text = {Value(3.0), Value("before")};
  EXPECT_EQ(call_by_name(sample, "Describe", text), Value(3.0));
  EXPECT_EQ(text[1], Value("seen"));

  // A by-reference argument the member leaves alone still comes back as its declared type.
  struct Case {
    Value number, label, number_after, label_after;
  } cases[] = {
      {Value(2.0), Value("x"), Value(2.0), Value("x")},
      {Value(-0.0), Value(7.0), Value(-0.0), Value("7")},
      {Value("3"), Value(true), Value(3.0), Value("True")},
  };
  for (const Case& c : cases) {
    std::vector<Value> arguments = {c.number, c.label};
    call_by_name(sample, "Keep", arguments);
    EXPECT_EQ(arguments[0], c.number_after);
    EXPECT_TRUE(arguments[0].is_number() &&
                std::signbit(arguments[0].number()) == std::signbit(c.number_after.number()));
    EXPECT_EQ(arguments[1], c.label_after);
  }
}

// The caller's values come back after a call, failed or not: given ones are moved into the
// call, not copied. A variant taken by reference is the caller's own value, written in place.
TEST(Dispatch, GivesArgumentsBackAfterTheCall) {
  Sample sample;
  std::vector<Value> failed = {Value("abc"), Value(1.0)};
  EXPECT_THROW(call_by_name(sample, "Scale", failed), Failure);
  EXPECT_EQ(failed, (std::vector<Value>{Value("abc"), Value(1.0)}));

  std::vector<Value> filled = {Value("old"), Value(2.0)};
  call_by_name(sample, "Fill", filled);
  EXPECT_EQ(filled, (std::vector<Value>{Value(2.0), Value(2.0)}));

  std::vector<Value> written_then_failed = {Value("old"), Value(-1.0)};
  EXPECT_THROW(call_by_name(sample, "Fill", written_then_failed), Failure);
  EXPECT_EQ(written_then_failed[0], Value(-1.0));

  // An omitted variant stays omitted: what the member writes into it goes nowhere.
  std::vector<Value> omitted = {Value::missing(), Value(3.0)};
  call_by_name(sample, "Fill", omitted);
  EXPECT_TRUE(omitted[0].is_missing());
}

TEST(Dispatch, FillsOmittedArguments) {
  Sample sample;
  std::vector<Value> optional_omitted = {Value(5.0), Value::missing()};
  call_by_name(sample, "Bump", optional_omitted);
  EXPECT_EQ(optional_omitted[0], Value(6.0));

  // An omitted variant receives the missing-argument marker, even when required.
  std::vector<Value> variant_omitted = {Value::missing(), Value("x")};
  EXPECT_EQ(call_by_name(sample, "Describe", variant_omitted), Value("missing"));
}

TEST(Dispatch, ReadsAndSetsProperties) {
  Sample sample;
  set_property(sample, "factor", Value("3"));
  EXPECT_EQ(get_property(sample, "Factor"), Value(3.0));
  std::vector<Value> arguments = {2.0, 1.0};
  EXPECT_EQ(call_by_name(sample, "Scale", arguments), Value(6.0));
  EXPECT_THROW(set_property(sample, "Name", Value("other")), Failure);
  EXPECT_THROW(get_property(sample, "Scale"), Failure);
  EXPECT_THROW(set_property(sample, "Factor", Value("x")), Failure);
}

TEST(Dispatch, DescribesMembersWithDeclaredTypes) {
  Sample sample;
  EXPECT_EQ(describe(find_member(sample, "Bump")), "Bump(ByRef counter As Long, Optional ByVal step As Double = 1)");
  EXPECT_EQ(describe(find_member(sample, "Scale")), "Scale(ByVal x As Double, ByVal times As Integer) As Double");
  EXPECT_EQ(describe(find_member(sample, "Factor")), "Property Factor As Double");
}

}  // namespace
}  // namespace kx
