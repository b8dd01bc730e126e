// Main: the marketing component's entry object. The add-in sets Application, ThisWorkbook and
// xlErrValue, calls Initialize, and then calls the worksheet functions from cell formulas.
//
// Parameter types follow the published interface: a variant passed by reference is
// `kx::Value&`, by value `const kx::Value&`; a plain double or single is passed by value; a
// 16-bit, byte or boolean parameter is passed by reference. Each family of functions lives in
// its own file (mktfn/queueing/, mktfn/functions/<family>.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "common/host_services.hpp"
#include "common/object.hpp"
#include "common/value.hpp"

namespace mktfn {

class Tools;

class Main : public kx::Object {
 public:
  // Main is always shared: its Tools points back at it.
  static std::shared_ptr<Main> create();

  const kx::Interface* automation_interface() const override;

  // The public variables, in interface order.
  const kx::Value& application() const { return application_; }
  void set_application(kx::Value value);
  const kx::Value& this_workbook() const { return this_workbook_; }
  void set_this_workbook(kx::Value value) { this_workbook_ = std::move(value); }
  const std::shared_ptr<Tools>& tools() const { return tools_; }
  void set_tools(std::shared_ptr<Tools> tools) { tools_ = std::move(tools); }
  kx::Value P0;
  kx::Value Pw;
  kx::Value Pb;
  kx::Value xlErrValue;

  // Creates Tools, points its Root here and copies Application and ThisWorkbook into it.
  void Initialize();

  // The host application held in Application; fails with 91 when it is no application.
  kx::Application& host() const;
  // The error value every detected failure returns: the number held in xlErrValue (0 when
  // the add-in never set it).
  kx::Value value_error() const;

  // Bass diffusion.
  kx::Value STANDBYkxBASS(kx::Value& Innovation, kx::Value& Imitation, kx::Value& Buyers, std::int16_t& Periods,
                          std::int16_t& First_Period);
  kx::Value STANDBYkxBASSest(kx::ObjectRef& Sales);
  kx::Value OLDkxBASS(kx::Value& Saturation, kx::Value& Innovation, kx::Value& Imitation, kx::Value& Period,
                      bool& Is_Integer);

  // Market and brand indices; growth, time and planning (interleaved as the interface orders them).
  kx::Value kxBDI(kx::Value& Area_Size, kx::Value& Brand_Size, kx::Value& Total_Area, kx::Value& Total_Brand);
  double kxBEI(double Market_Share, double Average_Market_Price, double Brand_Price, double Loyalty_Index,
               double Brand_Profit);
  double kxBEP(kx::Value& Price, double Variable_Cost, double Fix_Cost, bool& Do_Value);
  double kxBEPR(kx::Value& Price, double Variable_Cost, double Fix_Cost, float Commission, bool& Do_Value);
  double kxBUYRATE(double Max_Buyers, double Buyers, std::int16_t& Buy_Time);
  kx::Value kxCAGR(double Last_Period, double Previous_Period, std::int16_t& Number_Periods);
  kx::Value kxCDI(kx::Value& Area_Size, kx::Value& Area_Value, kx::Value& Total_Size, kx::Value& Total_Value);
  kx::Value kxCHIp(kx::Value& Observed, float Probability, bool& Full_Report);
  kx::Value kxCODING(kx::Value& To_Be_Coded, kx::Value& Code_Frame, kx::Value& Output_Code);
  kx::Value kxCSII(kx::Value& Scores, kx::Value& Weights, std::int16_t& Max_Score, kx::Value& Database,
                   kx::Value& Group_Name);
  kx::Value kxCSIW(kx::Value& Score_Frequencies, kx::Value& Weights);
  kx::Value kxDBAVG(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2, kx::Value& Search_Column,
                    kx::Value& Database);
  kx::Value kxDBCOUNT(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2, kx::Value& Search_Column,
                      kx::Value& Database);
  kx::Value kxDBSUM(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2, kx::Value& Search_Column,
                    kx::Value& Database);
  kx::Value kxDHMS(kx::Value& Number);
  kx::Value kxEI(kx::Value& Previous_Values, kx::Value& Last_Values, kx::Value& Market_Values);
  kx::Value kxEXPECT(kx::Value& Observed_Values, kx::Value& Sample_Size, bool& Do_Percent);

  // Forecast accuracy.
  kx::Value kxMSE(kx::Value& Actual_Data, kx::Value& Forecast_Data);
  kx::Value kxMAD(kx::Value& Actual_Data, kx::Value& Forecast_Data);
  kx::Value kxRMSE(kx::Value& Actual_Data, kx::Value& Forecast_Data);
  kx::Value kxDW(kx::Value& Actual_Data, kx::Value& Forecast_Data);
  double kxU(const kx::Value& Actual_Data, const kx::Value& Forecast_Data);
  kx::Value kxMAPE(kx::Value& Actual_Data, kx::Value& Forecast_Data);
  double kxME(const kx::Value& Actual_Data, kx::Value& Forecast_Data);

  kx::Value kxGROWTH(kx::Value& Previous_Values, kx::Value& Latest_Values);
  kx::Value kxGROWTHBACK(kx::Value& Values, kx::Value& Growth);
  kx::Value kxGRP(kx::Value& Reach, kx::Value& Frequency);
  kx::Value kxHERF(kx::Value& Market_Shares);

  // Price and quantity index numbers.
  kx::Value kxLASP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old);
  kx::Value kxPAASCHEP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_New);
  kx::Value kxEDGEP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New);
  kx::Value kxFISHERP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New);
  kx::Value kxLASQ(kx::Value& Price_Old, kx::Value& Quantity_Old, kx::Value& Quantity_New);
  kx::Value kxPAASCHEQ(kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New);
  kx::Value kxEDGEQ(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New);
  kx::Value kxFISHERQ(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New);

  kx::Value kxINTERPOLE(kx::Value& Min_Value, kx::Value& Max_Value);
  kx::Value kxLEARN(kx::Value& Time_First_Units, kx::Value& Learning_Rate, kx::Value& Units);

  // Queueing models and their state tables.
  kx::Value kxMD1(kx::Value& Arrival_Rate, kx::Value& Service_Time, std::uint8_t& Labels, bool& Show_Time);
  kx::Value kxMG1(kx::Value& Arrival_Rate, kx::Value& Service_Time, kx::Value& StDev_Service_Time, std::uint8_t& Labels,
                  bool& Show_Time);
  kx::Value kxMMS(std::int16_t& Arrival_Rate, std::int16_t& Service_Rate, std::int16_t& Number_Servers,
                  std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary, bool& Chart_Data);
  kx::Value kxMMSP(kx::Value& Arrival_Rate, kx::Value& Service_Rate, std::int16_t& Number_Servers,
                   std::int16_t& Population_Size, std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary,
                   bool& Chart_Data);
  kx::Value doArr(kx::Value& iType, kx::Value& v1, kx::Value& v2, kx::Value& v3, kx::Value& v4, kx::Value& v5);
  kx::Value kxMMSQ(std::int16_t& Arrival_Rate, std::int16_t& Service_Rate, std::int16_t& Number_Servers,
                   std::int16_t& Max_Queue, std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary,
                   bool& Chart_Data);

  kx::Value kxMOI(kx::Value& Area_Size, kx::Value& Brand_Size, kx::Value& Area_Value, kx::Value& Total_Area_Size,
                  kx::Value& Total_Brand, kx::Value& Total_Area_Value);
  kx::Value kxMSAR(kx::Value& Market_Share, kx::Value& Product_Adv_Investment, kx::Value& Tot_Adv_Investment);
  kx::Value kxPERFCV(kx::Value& Relative_Performance, kx::Value& Relative_Price);
  kx::Value kxPERFO(kx::Value& Input_Ranks);
  kx::Value kxPERFR(kx::Value& Input_Number, kx::Value& Overall_Performance);
  kx::Value kxPERTSD(const kx::Value& Optimistic, const kx::Value& Pessimistic);
  kx::Value kxPERTVAR(const kx::Value& Optimistic, const kx::Value& Pessimistic);
  double kxPERTT(double Optimistic, double Most_Likely, double Pessimistic);
  double kxPREMIUM(double Brand_Price, double Benchmark_Price);
  kx::Value kxPRESS(const kx::Value& Contribution_Margin, const kx::Value& Facility_Cost, bool& Squared_Index);
  kx::Value kxRANGE(kx::Value& Input_Data);
  kx::Value kxRANK(kx::Value& Input_Number, kx::Value& Database, kx::Value& Rank_Method, kx::Value& Rank_Ascendent);
  double kxREBUY(double Switch_To_New, double Rebuy_New);
  kx::Value kxREBUYS(kx::Value& Buy_Probability);
  kx::Value kxRELATIVE(kx::Value& Input_Number, kx::Value& Database, bool& Is_Average);
  kx::Value kxSAMPLE(kx::Value& Population, kx::Value& Confidence, kx::Value& Error_Level, kx::Value& Hypothesis);
  kx::Value kxSAMPLEMIN(kx::Value& LikeA, kx::Value& LikeB, kx::Value& Confidence, bool& Rounded);
  kx::Value kxSEASON(kx::Value& Actual_Data, std::int16_t& Cycle_Length, std::int16_t& Cycle_Start);
  kx::Value kxSHARE(kx::Value& Database, std::int16_t& Direction, bool& Relative_Share);
  kx::Value kxSIGNIF(kx::Value& Test_Cell, kx::Value& Range_Sample, kx::Value& Significance);
  kx::Value kxVARc(kx::Value& Observed, bool& Is_Sample);

 protected:
  Main() = default;

 private:
  kx::Value application_;
  kx::Value this_workbook_;
  std::shared_ptr<kx::Application> host_;  // Application seen as the host, kept in step with it
  std::shared_ptr<Tools> tools_;
};

}  // namespace mktfn
