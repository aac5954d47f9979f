#pragma once

#include <array>
#include <string>

namespace qvr {

// The sensor parameter set. All numbers are single precision.
struct TWritePrm {
    std::string SerialNo;
    float ErDifCenter = 0;
    std::array<float, 4> ErDifDir{};
    float HeaterWatt = 0;        // E04
    float DifT0m = 0;            // E01, temperature difference at 0 m/s
    float AdjDifT = 0;           // E03, temperature difference at the reference speed
    float AdjWS = 0;             // E02, reference wind speed
    float ATRevice0 = 0;         // E16
    float ATRevice1 = 0;         // E17
    float WDTRevice0 = 0;        // E12
    float WDTRevice1 = 0;        // E13
    float ChipStdV = 0;          // P32
    float ATRev = 0;             // P41
    std::array<float, 10> DIV{}; // P01, P03, ... P19
    std::array<float, 10> VAL{}; // P02, P04, ... P20
};

// Built-in defaults for every field but SerialNo, which is left alone.
void ResetPrm(TWritePrm& prm);

} // namespace qvr
