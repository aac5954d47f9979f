#pragma once

#include "core/write_prm.h"

#include <array>
#include <string_view>

namespace qvr {

// One sensor parameter the group write sends: its key on the line, its short
// name (where a narrow column has no room for more, as the report's), its
// label (the name and its unit, as the windows and messages show it), the unit
// alone, its display format, and whether a calibration sets it.
struct ParamKey {
    const char* Key;
    const char* Name;
    const char* Label;
    const char* Unit; // "" for a value without a unit
    const char* Format;
    bool Calibrated;
};

inline constexpr int kParamKeyCount = 30;

// Every parameter the group write sends, in the order it sends them
// (E01 to E04, P01 to P20, E16, E17, E12, E13, P32, P41).
extern const std::array<ParamKey, kParamKeyCount> ParamKeys;

// The context in which windows translate the labels.
inline constexpr const char* kParamLabelContext = "CalibrationReport";

// The entry of a key; nullptr for a key the group write does not send.
const ParamKey* FindParamKey(std::string_view key);

// The label of a key; nullptr for a key the group write does not send.
const char* ParamLabel(std::string_view key);

// The field of the parameter set a key stands for; nullptr for any other key.
float* ParamField(TWritePrm& prm, std::string_view key);
const float* ParamField(const TWritePrm& prm, std::string_view key);

} // namespace qvr
