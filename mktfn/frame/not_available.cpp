// Worksheet functions whose family is not built yet. Each fails plainly, naming itself, so that
// a formula calling it shows why it has no result. A family's definitions move from here into
// its own file when it is built.
#include <string>

#include "common/failure.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {
namespace {

[[noreturn]] void not_available(const char* name) {
  throw kx::Failure(kx::error::kInvalidCall, std::string(name) + " is not available yet in this build of mktfn");
}

}  // namespace

// Bass diffusion (functions/bass_diffusion.cpp).
kx::Value Main::STANDBYkxBASS(kx::Value&, kx::Value&, kx::Value&, std::int16_t&, std::int16_t&) {
  not_available("STANDBYkxBASS");
}
kx::Value Main::STANDBYkxBASSest(kx::ObjectRef&) { not_available("STANDBYkxBASSest"); }
kx::Value Main::OLDkxBASS(kx::Value&, kx::Value&, kx::Value&, kx::Value&, bool&) { not_available("OLDkxBASS"); }

// Forecast accuracy (functions/forecast_accuracy.cpp).
kx::Value Main::kxMSE(kx::Value&, kx::Value&) { not_available("kxMSE"); }
kx::Value Main::kxMAD(kx::Value&, kx::Value&) { not_available("kxMAD"); }
kx::Value Main::kxRMSE(kx::Value&, kx::Value&) { not_available("kxRMSE"); }
kx::Value Main::kxDW(kx::Value&, kx::Value&) { not_available("kxDW"); }
double Main::kxU(const kx::Value&, const kx::Value&) { not_available("kxU"); }
kx::Value Main::kxMAPE(kx::Value&, kx::Value&) { not_available("kxMAPE"); }
double Main::kxME(const kx::Value&, kx::Value&) { not_available("kxME"); }

// Statistical tests and sample sizes (functions/statistical_tests.cpp).
kx::Value Main::kxCHIp(kx::Value&, float, bool&) { not_available("kxCHIp"); }
kx::Value Main::kxEXPECT(kx::Value&, kx::Value&, bool&) { not_available("kxEXPECT"); }
kx::Value Main::kxSIGNIF(kx::Value&, kx::Value&, kx::Value&) { not_available("kxSIGNIF"); }
kx::Value Main::kxSAMPLE(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxSAMPLE"); }
kx::Value Main::kxSAMPLEMIN(kx::Value&, kx::Value&, kx::Value&, bool&) { not_available("kxSAMPLEMIN"); }
kx::Value Main::kxVARc(kx::Value&, bool&) { not_available("kxVARc"); }
kx::Value Main::kxRANK(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxRANK"); }
kx::Value Main::kxRANGE(kx::Value&) { not_available("kxRANGE"); }

// Market and brand indices (functions/market_indices.cpp).
kx::Value Main::kxBDI(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxBDI"); }
kx::Value Main::kxCDI(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxCDI"); }
kx::Value Main::kxMOI(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("kxMOI");
}
double Main::kxBEI(double, double, double, double, double) { not_available("kxBEI"); }
kx::Value Main::kxHERF(kx::Value&) { not_available("kxHERF"); }
kx::Value Main::kxMSAR(kx::Value&, kx::Value&, kx::Value&) { not_available("kxMSAR"); }
kx::Value Main::kxSHARE(kx::Value&, std::int16_t&, bool&) { not_available("kxSHARE"); }
kx::Value Main::kxRELATIVE(kx::Value&, kx::Value&, bool&) { not_available("kxRELATIVE"); }
double Main::kxPREMIUM(double, double) { not_available("kxPREMIUM"); }
kx::Value Main::kxPRESS(const kx::Value&, const kx::Value&, bool&) { not_available("kxPRESS"); }
kx::Value Main::kxEI(kx::Value&, kx::Value&, kx::Value&) { not_available("kxEI"); }

// Price and quantity index numbers (functions/index_numbers.cpp).
kx::Value Main::kxLASP(kx::Value&, kx::Value&, kx::Value&) { not_available("kxLASP"); }
kx::Value Main::kxPAASCHEP(kx::Value&, kx::Value&, kx::Value&) { not_available("kxPAASCHEP"); }
kx::Value Main::kxEDGEP(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxEDGEP"); }
kx::Value Main::kxFISHERP(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxFISHERP"); }
kx::Value Main::kxLASQ(kx::Value&, kx::Value&, kx::Value&) { not_available("kxLASQ"); }
kx::Value Main::kxPAASCHEQ(kx::Value&, kx::Value&, kx::Value&) { not_available("kxPAASCHEQ"); }
kx::Value Main::kxEDGEQ(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxEDGEQ"); }
kx::Value Main::kxFISHERQ(kx::Value&, kx::Value&, kx::Value&, kx::Value&) { not_available("kxFISHERQ"); }

// Growth, time and planning (functions/planning.cpp).
kx::Value Main::kxGROWTH(kx::Value&, kx::Value&) { not_available("kxGROWTH"); }
kx::Value Main::kxGROWTHBACK(kx::Value&, kx::Value&) { not_available("kxGROWTHBACK"); }
kx::Value Main::kxCAGR(double, double, std::int16_t&) { not_available("kxCAGR"); }
kx::Value Main::kxINTERPOLE(kx::Value&, kx::Value&) { not_available("kxINTERPOLE"); }
kx::Value Main::kxLEARN(kx::Value&, kx::Value&, kx::Value&) { not_available("kxLEARN"); }
double Main::kxPERTT(double, double, double) { not_available("kxPERTT"); }
kx::Value Main::kxPERTSD(const kx::Value&, const kx::Value&) { not_available("kxPERTSD"); }
kx::Value Main::kxPERTVAR(const kx::Value&, const kx::Value&) { not_available("kxPERTVAR"); }
kx::Value Main::kxSEASON(kx::Value&, std::int16_t&, std::int16_t&) { not_available("kxSEASON"); }
kx::Value Main::kxGRP(kx::Value&, kx::Value&) { not_available("kxGRP"); }
double Main::kxBUYRATE(double, double, std::int16_t&) { not_available("kxBUYRATE"); }
double Main::kxREBUY(double, double) { not_available("kxREBUY"); }
kx::Value Main::kxREBUYS(kx::Value&) { not_available("kxREBUYS"); }
double Main::kxBEP(kx::Value&, double, double, bool&) { not_available("kxBEP"); }
double Main::kxBEPR(kx::Value&, double, double, float, bool&) { not_available("kxBEPR"); }

// Survey coding, scoring and lookups (functions/survey.cpp).
kx::Value Main::kxCODING(kx::Value&, kx::Value&, kx::Value&) { not_available("kxCODING"); }
kx::Value Main::kxCSII(kx::Value&, kx::Value&, std::int16_t&, kx::Value&, kx::Value&) { not_available("kxCSII"); }
kx::Value Main::kxCSIW(kx::Value&, kx::Value&) { not_available("kxCSIW"); }
kx::Value Main::kxDBAVG(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("kxDBAVG");
}
kx::Value Main::kxDBCOUNT(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("kxDBCOUNT");
}
kx::Value Main::kxDBSUM(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("kxDBSUM");
}
kx::Value Main::kxPERFCV(kx::Value&, kx::Value&) { not_available("kxPERFCV"); }
kx::Value Main::kxPERFO(kx::Value&) { not_available("kxPERFO"); }
kx::Value Main::kxPERFR(kx::Value&, kx::Value&) { not_available("kxPERFR"); }

// Queueing models and duration text (queueing/).
kx::Value Main::kxMD1(kx::Value&, kx::Value&, std::uint8_t&, bool&) { not_available("kxMD1"); }
kx::Value Main::kxMG1(kx::Value&, kx::Value&, kx::Value&, std::uint8_t&, bool&) { not_available("kxMG1"); }
kx::Value Main::kxMMS(std::int16_t&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&, bool&) {
  not_available("kxMMS");
}
kx::Value Main::kxMMSP(kx::Value&, kx::Value&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&, bool&) {
  not_available("kxMMSP");
}
kx::Value Main::doArr(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("doArr");
}
kx::Value Main::kxMMSQ(std::int16_t&, std::int16_t&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&,
                       bool&) {
  not_available("kxMMSQ");
}
kx::Value Main::kxDHMS(kx::Value&) { not_available("kxDHMS"); }

}  // namespace mktfn
