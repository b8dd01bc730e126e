// Main: the risk component's entry object. The add-in sets Application and ThisWorkbook,
// calls Initialize, and then calls the worksheet functions from cell formulas.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/host_services.hpp"
#include "common/object.hpp"
#include "common/value.hpp"

namespace riskfn {

class PDF;
class Tools;
class CheckParam;
class ChangeStats;

class Main : public kx::Object {
 public:
  // Main is always shared: its children point back at it.
  static std::shared_ptr<Main> create();

  const kx::Interface* automation_interface() const override;

  const kx::Value& application() const { return application_; }
  void set_application(kx::Value value);
  const kx::Value& this_workbook() const { return this_workbook_; }
  void set_this_workbook(kx::Value value) { this_workbook_ = std::move(value); }

  const std::shared_ptr<PDF>& pdf() const { return pdf_; }
  const std::shared_ptr<Tools>& tools() const { return tools_; }
  const std::shared_ptr<CheckParam>& check_param() const { return check_param_; }
  const std::shared_ptr<ChangeStats>& change_stats() const { return change_stats_; }
  void set_pdf(std::shared_ptr<PDF> pdf) { pdf_ = std::move(pdf); }
  void set_tools(std::shared_ptr<Tools> tools) { tools_ = std::move(tools); }
  void set_check_param(std::shared_ptr<CheckParam> check_param) { check_param_ = std::move(check_param); }
  void set_change_stats(std::shared_ptr<ChangeStats> change_stats) { change_stats_ = std::move(change_stats); }

  // Creates PDF, Tools, CheckParam and ChangeStats in that order, points their Root here and
  // copies Application and ThisWorkbook into each as they are now. Untrapped.
  void Initialize();

  // The host application held in Application; fails with 91 when it is no application.
  kx::Application& host() const;

  // Model markers and rounding, untrapped.
  kx::Value kxOUTPUT();
  kx::Value kxLOCK();
  kx::Value kxNAME(kx::Value& CellName, std::int16_t& ItemNum);
  double utRoundDLL(kx::Value& Value, std::int16_t& numDigits);

  // The analysis functions over simulation results.
  // Equal-width classes of the values: label, upper limit, frequency, cumulative share.
  kx::Value kxHISTO(kx::Value& InputRng, kx::Value& Classes, kx::Value& pointerHisto);
  // The run count after which the spread of the running means settled, or 0.
  kx::Value kxOPTNUM(kx::Value& InputRange, kx::Value& StablePeriods, kx::Value& SelectionLimit);
  // The Weibull shape and scale matching a mean (P1) and a standard deviation (P2).
  kx::Value kxWEIBULLEST(kx::Value& P1, kx::Value& P2, std::int16_t& OnlyOneValue);
  // Uniform numbers whose normal scores carry the correlations of correlArray; volatile.
  kx::Value kxCORREL(kx::Value& correlArray);

  // The sampling functions: distribution parameters, then corFactor (a uniform, or an error
  // value to draw one) and ModeSheet ("ShowMode" for the deterministic value). Each traps its
  // failures; a numeric result reports any failure as type mismatch (13).
  kx::Value kxBETA(double scaleP, double shapeP, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxBETAGEN(double scaleP, double shapeP, kx::Value& corFactor, std::string& ModeSheet, double& LowVal,
                      double& UpVal);
  std::int16_t kxBINOMIAL(kx::Value& Trials, double& Success, kx::Value& corFactor, std::string& ModeSheet);
  double kxCHI2(kx::Value& Degrees, kx::Value& corFactor, std::string& ModeSheet);
  double kxDISCRETE(kx::Value& RngValues, kx::Value& RngProbs, kx::Value& corFactor, std::string& ModeSheet);
  double kxERF(kx::Value& Mean, kx::Value& corFactor, std::string& ModeSheet);
  double kxERLANG(double& scaleP, double& shapeP, kx::Value& corFactor, std::string& ModeSheet);
  double kxEXPON(double& Mean, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxEXTVAL(double ModalValue, double StDeviation, kx::Value& corFactor, std::string& ModeSheet);
  // Returns shapeP in place of any failure.
  kx::Value kxGAMMA(double scaleP, double shapeP, kx::Value& corFactor, std::string& ModeSheet);
  double kxGAUSSINV(double& Mean, double& scaleP, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxGEO(kx::Value& Trials, kx::Value& corFactor, std::string& ModeSheet);
  double kxHYPERGEO(kx::Value& Sample, kx::Value& Defects, kx::Value& BatchSize, kx::Value& corFactor,
                    std::string& ModeSheet);
  kx::Value kxINTUNI(kx::Value& LowVal, kx::Value& UpVal, kx::Value& corFactor, std::string& ModeSheet);
  double kxLOGISTIC(kx::Value& Mean, kx::Value& StDeviation, kx::Value& corFactor, std::string& ModeSheet);
  double kxLOGNORMAL(double& Mean, double& StDeviation, kx::Value& corFactor, std::string& ModeSheet);
  double kxNEGBIN(kx::Value& Failures, kx::Value& Successes, kx::Value& corFactor, std::string& ModeSheet);
  double kxNORMAL(kx::Value& Mean, kx::Value& StDeviation, kx::Value& corFactor, std::string& ModeSheet);
  double kxPARETO(kx::Value& Location, kx::Value& ModalValue, kx::Value& corFactor, std::string& ModeSheet);
  double kxPARETO2(kx::Value& Location, kx::Value& ModalValue, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxPERT(kx::Value& Low, kx::Value& ML, kx::Value& High, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxPOISSON(double& Mean, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxRANDBETWEEN(double LowVal, double UpVal, kx::Value& corFactor, std::string& ModeSheet);
  double kxRAYLEIGH(kx::Value& scaleP, kx::Value& corFactor, std::string& ModeSheet);
  double kxSTUDENT(kx::Value& Degrees, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxTRI(double& LowVal, double& ModalValue, double& UpVal, kx::Value& corFactor, std::string& ModeSheet);
  kx::Value kxUNIFORM(double& LowVal, double& UpVal, kx::Value& corFactor, std::string& ModeSheet);
  double kxWEIBULL(kx::Value& Life, kx::Value& shapeP, kx::Value& corFactor, std::string& ModeSheet);

  // The distribution functions: the density (for a discrete distribution the probability) at
  // ProbX, or the cumulative probability when CumulProb asks for it; outside the values the
  // distribution takes, 0 or 1. Untrapped; a numeric result reports a host error value as
  // type mismatch (13), a variant result returns it.
  double kxBETAc(double ProbX, double scaleP, double shapeP, double CumulProb);
  double kxBETAGENc(double ProbX, double scaleP, double shapeP, double LowVal, double UpVal, double CumulProb);
  double kxBINOMIALc(double ProbX, double Trials, double Successes, double CumulProb);
  kx::Value kxCHI2c(double ProbX, double Degrees, bool CumulProb);
  double kxERFc(double ProbX, double h, bool CumulProb);
  double kxERLANGc(double ProbX, double scaleP, double shapeP, bool CumulProb);
  double kxEXPONc(double ProbX, double Mean, bool CumulProb);
  double kxEXTVALc(double ProbX, double ModalValue, double scaleP, bool CumulProb);
  double kxGAMMAc(double ProbX, double scaleP, double shapeP, bool CumulProb);
  double kxGAUSSINVc(double ProbX, double Mean, double scaleP, bool CumulProb);
  double kxGEOc(double ProbX, double Trials, bool CumulProb);
  kx::Value kxHYPERGEOc(double ProbX, double Sample, double Defects, double BatchSize);
  kx::Value kxINTUNIc(double ProbX, double LowVal, double UpVal);
  double kxLOGISTICc(double ProbX, double Mean, double scaleP, bool CumulProb);
  double kxLOGNORMALc(double ProbX, double Mean, double StDeviation, bool CumulProb);
  kx::Value kxNEGBINc(double ProbX, double Failures, double Successes);
  double kxNORMALc(double ProbX, double Mean, double StDeviation, bool CumulProb);
  kx::Value kxPARETOc(double ProbX, double Location, double shapeP);
  kx::Value kxPARETO2c(double ProbX, double Location, double shapeP);
  double kxPERTc(double ProbX, double LowVal, double ModalValue, double UpVal, bool CumulProb);
  double kxPOISSONc(double ProbX, double Mean, bool CumulProb);
  kx::Value kxRAYLEIGHc(double ProbX, double scaleP);
  double kxSTUDENTc(double ProbX, double Degrees, bool CumulProb);
  double kxTRIc(double ProbX, double LowVal, double ModalValue, double UpVal, bool CumulProb);
  double kxUNIFORMc(double ProbX, double LowVal, double UpVal, bool CumulProb);
  double kxWEIBULLc(double ProbX, double Life, double shapeP, bool CumulProb);

 protected:
  Main() = default;

 private:
  kx::Value application_;
  kx::Value this_workbook_;
  std::shared_ptr<kx::Application> host_;  // Application seen as the host, kept in step with it
  std::shared_ptr<PDF> pdf_;
  std::shared_ptr<Tools> tools_;
  std::shared_ptr<CheckParam> check_param_;
  std::shared_ptr<ChangeStats> change_stats_;
};

}  // namespace riskfn
