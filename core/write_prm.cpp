#include "core/write_prm.h"

namespace qvr {

void ResetPrm(TWritePrm& prm) {
    prm.ErDifCenter = 0.0f;
    prm.ErDifDir.fill(0.0f);
    prm.HeaterWatt = 0.2f;
    prm.DifT0m = 50.0f;
    prm.AdjDifT = 20.0f;
    prm.AdjWS = 5.0f;
    prm.ATRevice0 = 0.0f;
    prm.ATRevice1 = 0.0f;
    prm.WDTRevice0 = 0.0f;
    prm.WDTRevice1 = 0.0f;
    prm.ChipStdV = 2.5f;
    prm.ATRev = 9.0f;
    prm.DIV.fill(0.0f);
    prm.VAL.fill(0.0f);
}

} // namespace qvr
