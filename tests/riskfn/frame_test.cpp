// Main's start-up wiring and its children, through the automation layer.
#include <gtest/gtest.h>

#include <vector>

#include "common/automation/dispatch.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/check_param.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"
#include "riskfn/frame/tools.hpp"

namespace riskfn {
namespace {

using kx::Value;

TEST(Frame, InitializeCreatesAndWiresTheFourChildren) {
  auto main = Main::create();
  kx::set_property(*main, "Application", Value("host application"));
  kx::set_property(*main, "ThisWorkbook", Value("add-in workbook"));
  EXPECT_TRUE(kx::get_property(*main, "PDF").is_empty());

  std::vector<Value> none;
  kx::call_by_name(*main, "Initialize", none);

  for (const char* child : {"PDF", "Tools", "CheckParam", "ChangeStats"}) {
    SCOPED_TRACE(child);
    const Value object = kx::get_property(*main, child);
    ASSERT_TRUE(object.is_object());
    EXPECT_EQ(object.object()->automation_interface()->class_name(), child);
    EXPECT_EQ(kx::get_property(*object.object(), "Root"), Value(kx::ObjectRef(main)));
    EXPECT_EQ(kx::get_property(*object.object(), "Application"), Value("host application"));
    EXPECT_EQ(kx::get_property(*object.object(), "ThisWorkbook"), Value("add-in workbook"));
  }
}

TEST(Frame, ChildrenKeepTheApplicationOfInitializeTime) {
  auto main = Main::create();
  main->set_application(Value("first"));
  main->Initialize();
  main->set_application(Value("second"));
  EXPECT_EQ(main->pdf()->application(), Value("first"));
  EXPECT_EQ(main->tools()->application(), Value("first"));
}

TEST(Frame, SecondInitializeReplacesTheChildren) {
  auto main = Main::create();
  main->Initialize();
  const auto first_pdf = main->pdf();
  main->Initialize();
  EXPECT_NE(main->pdf(), first_pdf);
  EXPECT_EQ(first_pdf->root(), main);  // the old child still points back while it lives
}

TEST(Frame, DroppingMainFreesAllFiveObjects) {
  std::weak_ptr<Main> weak_main;
  std::weak_ptr<PDF> weak_pdf;
  std::weak_ptr<ChangeStats> weak_change_stats;
  {
    auto main = Main::create();
    main->Initialize();
    weak_main = main;
    weak_pdf = main->pdf();
    weak_change_stats = main->change_stats();
  }
  EXPECT_TRUE(weak_main.expired());
  EXPECT_TRUE(weak_pdf.expired());
  EXPECT_TRUE(weak_change_stats.expired());
}

TEST(Frame, ChildPropertiesRejectObjectsOfAnotherClass) {
  auto main = Main::create();
  main->Initialize();
  const Value tools = kx::get_property(*main, "Tools");
  EXPECT_THROW(kx::set_property(*main, "PDF", tools), kx::Failure);
  kx::set_property(*main, "PDF", Value());
  EXPECT_TRUE(kx::get_property(*main, "PDF").is_empty());
}

TEST(Frame, PublishesEveryClassInInterfaceOrder) {
  const auto interfaces = class_interfaces();
  ASSERT_EQ(interfaces.size(), 5u);
  const auto& main_members = interfaces[0]->members();
  const char* leading[] = {"Application", "ThisWorkbook", "PDF", "Tools", "CheckParam", "ChangeStats", "Initialize"};
  for (std::size_t i = 0; i < std::size(leading); ++i) EXPECT_EQ(main_members.at(i).name, leading[i]);
  for (std::size_t i = 1; i < interfaces.size(); ++i) {
    SCOPED_TRACE(interfaces[i]->class_name());
    EXPECT_EQ(interfaces[i]->members().at(0).name, "Root");
  }
  EXPECT_EQ(create_object("nothing"), nullptr);
}

}  // namespace
}  // namespace riskfn
