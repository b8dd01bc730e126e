// Main's public variables, Initialize and the 68 worksheet functions in interface order, with
// their parameter names and defaults. This is the one declaration of the interface: the
// formula engine, `kx functions`, the server and its clients all read it.
#include "mktfn/frame/main_interface.hpp"

#include "common/automation/binding.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/frame/tools.hpp"

namespace mktfn {
namespace {

using kx::DeclaredType;
using kx::optional;
using kx::Value;

void add_public_variables(kx::InterfaceBuilder<Main>& builder) {
  builder
      .property(
          "Application", DeclaredType::Variant, [](const Main& m) { return m.application(); },
          [](Main& m, const Value& v) { m.set_application(v); })
      .property(
          "ThisWorkbook", DeclaredType::Variant, [](const Main& m) { return m.this_workbook(); },
          [](Main& m, const Value& v) { m.set_this_workbook(v); })
      .property(
          "Tools", DeclaredType::Object,
          [](const Main& m) { return m.tools() ? Value(kx::ObjectRef(m.tools())) : Value(); },
          [](Main& m, const Value& v) {
            if (v.is_empty()) return m.set_tools(nullptr);
            auto tools = v.is_object() ? std::dynamic_pointer_cast<Tools>(v.object()) : nullptr;
            if (!tools) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: Tools must be a Tools object");
            m.set_tools(std::move(tools));
          })
      .property(
          "P0", DeclaredType::Variant, [](const Main& m) { return m.P0; }, [](Main& m, const Value& v) { m.P0 = v; })
      .property(
          "Pw", DeclaredType::Variant, [](const Main& m) { return m.Pw; }, [](Main& m, const Value& v) { m.Pw = v; })
      .property(
          "Pb", DeclaredType::Variant, [](const Main& m) { return m.Pb; }, [](Main& m, const Value& v) { m.Pb = v; })
      .property(
          "xlErrValue", DeclaredType::Variant, [](const Main& m) { return m.xlErrValue; },
          [](Main& m, const Value& v) { m.xlErrValue = v; })
      .method<&Main::Initialize>("Initialize", {});
}

void add_worksheet_functions(kx::InterfaceBuilder<Main>& builder) {
  builder
      .method<&Main::STANDBYkxBASS>("STANDBYkxBASS", {"Innovation", "Imitation", "Buyers", "Periods", "First_Period"})
      .method<&Main::STANDBYkxBASSest>("STANDBYkxBASSest", {"Sales"})
      .method<&Main::OLDkxBASS>("OLDkxBASS",
                                {"Saturation", "Innovation", "Imitation", "Period", optional("Is_Integer", false)})
      .method<&Main::kxBDI>("kxBDI", {"Area_Size", "Brand_Size", optional("Total_Area"), optional("Total_Brand")})
      .method<&Main::kxBEI>("kxBEI", {"Market_Share", "Average_Market_Price", "Brand_Price", "Loyalty_Index",
                                      optional("Brand_Profit", 0.0)})
      .method<&Main::kxBEP>("kxBEP", {"Price", "Variable_Cost", "Fix_Cost", optional("Do_Value", false)})
      .method<&Main::kxBEPR>("kxBEPR",
                             {"Price", "Variable_Cost", "Fix_Cost", "Commission", optional("Do_Value", false)})
      .method<&Main::kxBUYRATE>("kxBUYRATE", {"Max_Buyers", "Buyers", "Buy_Time"})
      .method<&Main::kxCAGR>("kxCAGR", {"Last_Period", "Previous_Period", optional("Number_Periods", 0)})
      .method<&Main::kxCDI>("kxCDI", {"Area_Size", "Area_Value", optional("Total_Size"), optional("Total_Value")})
      .method<&Main::kxCHIp>("kxCHIp", {"Observed", optional("Probability", 0.0), optional("Full_Report", false)})
      .method<&Main::kxCODING>("kxCODING", {"To_Be_Coded", "Code_Frame", "Output_Code"})
      .method<&Main::kxCSII>("kxCSII", {"Scores", "Weights", "Max_Score", optional("Database"), optional("Group_Name")})
      .method<&Main::kxCSIW>("kxCSIW", {"Score_Frequencies", "Weights"})
      .method<&Main::kxDBAVG>("kxDBAVG", {"Label1", "Col1", "Label2", "Col2", "Search_Column", "Database"})
      .method<&Main::kxDBCOUNT>("kxDBCOUNT", {"Label1", "Col1", "Label2", "Col2", "Search_Column", "Database"})
      .method<&Main::kxDBSUM>("kxDBSUM", {"Label1", "Col1", "Label2", "Col2", "Search_Column", "Database"})
      .method<&Main::kxDHMS>("kxDHMS", {"Number"})
      .method<&Main::kxEI>("kxEI", {"Previous_Values", "Last_Values", optional("Market_Values")})
      .method<&Main::kxEXPECT>("kxEXPECT", {"Observed_Values", optional("Sample_Size"), optional("Do_Percent", false)})
      .method<&Main::kxMSE>("kxMSE", {"Actual_Data", optional("Forecast_Data")})
      .method<&Main::kxMAD>("kxMAD", {"Actual_Data", optional("Forecast_Data")})
      .method<&Main::kxRMSE>("kxRMSE", {"Actual_Data", optional("Forecast_Data")})
      .method<&Main::kxDW>("kxDW", {"Actual_Data", optional("Forecast_Data")})
      .method<&Main::kxU>("kxU", {"Actual_Data", "Forecast_Data"})
      .method<&Main::kxMAPE>("kxMAPE", {"Actual_Data", "Forecast_Data"})
      .method<&Main::kxME>("kxME", {"Actual_Data", optional("Forecast_Data")})
      .method<&Main::kxGROWTH>("kxGROWTH", {"Previous_Values", "Latest_Values"})
      .method<&Main::kxGROWTHBACK>("kxGROWTHBACK", {"Values", "Growth"})
      .method<&Main::kxGRP>("kxGRP", {"Reach", "Frequency"})
      .method<&Main::kxHERF>("kxHERF", {"Market_Shares"})
      .method<&Main::kxLASP>("kxLASP", {"Price_Old", "Price_New", "Quantity_Old"})
      .method<&Main::kxPAASCHEP>("kxPAASCHEP", {"Price_Old", "Price_New", "Quantity_New"})
      .method<&Main::kxEDGEP>("kxEDGEP", {"Price_Old", "Price_New", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxFISHERP>("kxFISHERP", {"Price_Old", "Price_New", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxLASQ>("kxLASQ", {"Price_Old", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxPAASCHEQ>("kxPAASCHEQ", {"Price_New", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxEDGEQ>("kxEDGEQ", {"Price_Old", "Price_New", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxFISHERQ>("kxFISHERQ", {"Price_Old", "Price_New", "Quantity_Old", "Quantity_New"})
      .method<&Main::kxINTERPOLE>("kxINTERPOLE", {"Min_Value", "Max_Value"})
      .method<&Main::kxLEARN>("kxLEARN", {"Time_First_Units", "Learning_Rate", "Units"})
      .method<&Main::kxMD1>("kxMD1",
                            {"Arrival_Rate", "Service_Time", optional("Labels", 0), optional("Show_Time", false)})
      .method<&Main::kxMG1>("kxMG1", {"Arrival_Rate", "Service_Time", "StDev_Service_Time", optional("Labels", 0),
                                      optional("Show_Time", false)})
      .method<&Main::kxMMS>("kxMMS",
                            {"Arrival_Rate", "Service_Rate", "Number_Servers", optional("Labels", 0),
                             optional("Show_Time", false), optional("Chart_Boundary"), optional("Chart_Data", false)})
      .method<&Main::kxMMSP>(
          "kxMMSP", {"Arrival_Rate", "Service_Rate", "Number_Servers", "Population_Size", optional("Labels", 0),
                     optional("Show_Time", false), optional("Chart_Boundary"), optional("Chart_Data", false)})
      .method<&Main::doArr>("doArr", {"iType", "v1", "v2", "v3", optional("v4"), optional("v5")})
      .method<&Main::kxMMSQ>("kxMMSQ",
                             {"Arrival_Rate", "Service_Rate", "Number_Servers", "Max_Queue", optional("Labels", 0),
                              optional("Show_Time", false), optional("Chart_Boundary"), optional("Chart_Data", false)})
      .method<&Main::kxMOI>("kxMOI", {"Area_Size", "Brand_Size", "Area_Value", optional("Total_Area_Size"),
                                      optional("Total_Brand"), optional("Total_Area_Value")})
      .method<&Main::kxMSAR>("kxMSAR", {"Market_Share", "Product_Adv_Investment", optional("Tot_Adv_Investment")})
      .method<&Main::kxPERFCV>("kxPERFCV", {"Relative_Performance", "Relative_Price"})
      .method<&Main::kxPERFO>("kxPERFO", {"Input_Ranks"})
      .method<&Main::kxPERFR>("kxPERFR", {"Input_Number", "Overall_Performance"})
      .method<&Main::kxPERTSD>("kxPERTSD", {"Optimistic", "Pessimistic"})
      .method<&Main::kxPERTVAR>("kxPERTVAR", {"Optimistic", "Pessimistic"})
      .method<&Main::kxPERTT>("kxPERTT", {"Optimistic", "Most_Likely", "Pessimistic"})
      .method<&Main::kxPREMIUM>("kxPREMIUM", {"Brand_Price", "Benchmark_Price"})
      .method<&Main::kxPRESS>("kxPRESS", {"Contribution_Margin", "Facility_Cost", optional("Squared_Index", false)})
      .method<&Main::kxRANGE>("kxRANGE", {"Input_Data"})
      .method<&Main::kxRANK>("kxRANK", {"Input_Number", "Database", "Rank_Method", optional("Rank_Ascendent")})
      .method<&Main::kxREBUY>("kxREBUY", {"Switch_To_New", "Rebuy_New"})
      .method<&Main::kxREBUYS>("kxREBUYS", {"Buy_Probability"})
      .method<&Main::kxRELATIVE>("kxRELATIVE", {"Input_Number", "Database", optional("Is_Average", false)})
      .method<&Main::kxSAMPLE>("kxSAMPLE", {"Population", "Confidence", "Error_Level", "Hypothesis"})
      .method<&Main::kxSAMPLEMIN>("kxSAMPLEMIN", {"LikeA", "LikeB", "Confidence", optional("Rounded", false)})
      .method<&Main::kxSEASON>("kxSEASON", {"Actual_Data", optional("Cycle_Length", 0), optional("Cycle_Start", 0)})
      .method<&Main::kxSHARE>("kxSHARE", {"Database", optional("Direction", 0), optional("Relative_Share", false)})
      .method<&Main::kxSIGNIF>("kxSIGNIF", {"Test_Cell", "Range_Sample", "Significance"})
      .method<&Main::kxVARc>("kxVARc", {"Observed", optional("Is_Sample", false)});
}

}  // namespace

kx::Interface main_interface() {
  kx::InterfaceBuilder<Main> builder("Main");
  add_public_variables(builder);
  add_worksheet_functions(builder);
  return builder.build();
}

}  // namespace mktfn
