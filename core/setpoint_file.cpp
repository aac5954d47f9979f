#include "core/setpoint_file.h"

#include "base/ini_file.h"
#include "base/number_text.h"

#include <vector>

namespace qvr {

namespace {

struct FileField {
    const char* section;
    std::string key;
    float* value;
};

// Every stored field of `prm` with its section and key, in the order of writing.
std::vector<FileField> FileFields(TWritePrm& prm) {
    std::vector<FileField> fields;
    const auto indexed = [&](const char* stem, float& value, std::size_t i) {
        fields.push_back({"Early", stem + std::to_string(i), &value});
    };
    fields.push_back({"Early", "ErDifCenter", &prm.ErDifCenter});
    for (std::size_t i = 0; i < prm.ErDifDir.size(); ++i)
        indexed("ErDifDir", prm.ErDifDir[i], i);
    fields.push_back({"Early", "HeaterWatt", &prm.HeaterWatt});
    fields.push_back({"Early", "DifT0m", &prm.DifT0m});
    fields.push_back({"Early", "AdjDifT", &prm.AdjDifT});
    fields.push_back({"Early", "AdjWS", &prm.AdjWS});
    for (std::size_t i = 0; i < prm.DIV.size(); ++i) {
        indexed("DIV", prm.DIV[i], i);
        indexed("VAL", prm.VAL[i], i);
    }
    fields.push_back({"Exp16", "ATRevice0", &prm.ATRevice0});
    fields.push_back({"Exp16", "ATRevice1", &prm.ATRevice1});
    fields.push_back({"Exp16", "WDTRevice0", &prm.WDTRevice0});
    fields.push_back({"Exp16", "WDTRevice1", &prm.WDTRevice1});
    fields.push_back({"Exp16", "ATRev", &prm.ATRev});
    fields.push_back({"System", "ChipStdV", &prm.ChipStdV});
    return fields;
}

} // namespace

void LoadSetpointFile(TWritePrm& prm, const std::string& path) {
    TWritePrm defaults;
    ResetPrm(defaults);
    const std::vector<FileField> target = FileFields(prm);
    const std::vector<FileField> fallback = FileFields(defaults);
    const IniFile ini(path);
    for (std::size_t i = 0; i < target.size(); ++i) {
        const FileField& f = target[i];
        *f.value = ParseFloat(ini.ReadString(f.section, f.key, std::string()))
                       .value_or(*fallback[i].value);
    }
}

void SaveSetpointFile(const TWritePrm& prm, const std::string& path) {
    TWritePrm copy = prm;
    IniFile ini(path);
    for (const FileField& f : FileFields(copy))
        ini.WriteFloat(f.section, f.key, static_cast<double>(*f.value));
}

} // namespace qvr
