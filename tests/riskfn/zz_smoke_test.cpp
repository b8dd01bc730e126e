#include "tests/riskfn/dialog_fixture.hpp"
#include <iostream>
namespace riskfn {
TEST_F(DialogTest, Smoke) {
  for (auto [code, params] : std::vector<std::pair<int, std::vector<std::string>>>{{25, {"100", "15"}}, {3, {"10", "0.5"}}, {1,{"2","3"}}, {30,{"1","2","5"}}, {17,{"10","20","100"}}, {26,{"1.5","2"}}, {33,{"5"}}, {19,{"1","2"}}}) {
    fill(code, params);
    dialog_.place_markers();
    auto step = dialog_.change_stats();
    std::cout << "result " << last_result_ << " step " << step << "\n";
    for (int r = 0; r < 17; ++r) std::cout << r << " " << dialog_.caption(r) << ": " << dialog_.statistic(r) << "\n";
    std::cout << dialog_.x_start() << " " << dialog_.x_finish() << " " << dialog_.delta() << " " << dialog_.point_count() << " L " << dialog_.left_x() << " R " << dialog_.right_x() << " pdf(mean) " << dialog_.chart_value(dialog_.left_x()) << "\n";
  }
}
}
