#include "core/param_keys.h"

#include "core/ui_text.h"

namespace qvr {

const std::array<ParamKey, kParamKeyCount> ParamKeys = {{
    {"E01", QT_TRANSLATE_NOOP("CalibrationReport", "0m/s.時温度差"), "%1.2f"},
    {"E02", QT_TRANSLATE_NOOP("CalibrationReport", "基準風速値"), "%1.2f"},
    {"E03", QT_TRANSLATE_NOOP("CalibrationReport", "基準時温度差"), "%1.2f"},
    {"E04", QT_TRANSLATE_NOOP("CalibrationReport", "ヒータ出力"), "%1.4f"},
    {"P01", QT_TRANSLATE_NOOP("CalibrationReport", "補正点1"), "%1.2f"},
    {"P02", QT_TRANSLATE_NOOP("CalibrationReport", "補正量1"), "%1.2f"},
    {"P03", QT_TRANSLATE_NOOP("CalibrationReport", "補正点2"), "%1.2f"},
    {"P04", QT_TRANSLATE_NOOP("CalibrationReport", "補正量2"), "%1.2f"},
    {"P05", QT_TRANSLATE_NOOP("CalibrationReport", "補正点3"), "%1.2f"},
    {"P06", QT_TRANSLATE_NOOP("CalibrationReport", "補正量3"), "%1.2f"},
    {"P07", QT_TRANSLATE_NOOP("CalibrationReport", "補正点4"), "%1.2f"},
    {"P08", QT_TRANSLATE_NOOP("CalibrationReport", "補正量4"), "%1.2f"},
    {"P09", QT_TRANSLATE_NOOP("CalibrationReport", "補正点5"), "%1.2f"},
    {"P10", QT_TRANSLATE_NOOP("CalibrationReport", "補正量5"), "%1.2f"},
    {"P11", QT_TRANSLATE_NOOP("CalibrationReport", "補正点6"), "%1.2f"},
    {"P12", QT_TRANSLATE_NOOP("CalibrationReport", "補正量6"), "%1.2f"},
    {"P13", QT_TRANSLATE_NOOP("CalibrationReport", "補正点7"), "%1.2f"},
    {"P14", QT_TRANSLATE_NOOP("CalibrationReport", "補正量7"), "%1.2f"},
    {"P15", QT_TRANSLATE_NOOP("CalibrationReport", "補正点8"), "%1.2f"},
    {"P16", QT_TRANSLATE_NOOP("CalibrationReport", "補正量8"), "%1.2f"},
    {"P17", QT_TRANSLATE_NOOP("CalibrationReport", "補正点9"), "%1.2f"},
    {"P18", QT_TRANSLATE_NOOP("CalibrationReport", "補正量9"), "%1.2f"},
    {"P19", QT_TRANSLATE_NOOP("CalibrationReport", "補正点10"), "%1.2f"},
    {"P20", QT_TRANSLATE_NOOP("CalibrationReport", "補正量10"), "%1.2f"},
    {"E16", QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-1"), "%1.3f"},
    {"E17", QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-2"), "%1.3f"},
    {"E12", QT_TRANSLATE_NOOP("CalibrationReport", "風速器差-1"), "%1.3f"},
    {"E13", QT_TRANSLATE_NOOP("CalibrationReport", "風速器差-2"), "%1.3f"},
    {"P32", QT_TRANSLATE_NOOP("CalibrationReport", "基準電圧"), "%1.3f"},
    {"P41", QT_TRANSLATE_NOOP("CalibrationReport", "気温補正"), "%1.3f"},
}};

const ParamKey* FindParamKey(std::string_view key) {
    for (const ParamKey& k : ParamKeys)
        if (key == k.Key) return &k;
    return nullptr;
}

float* ParamField(TWritePrm& prm, std::string_view key) {
    if (key == "E01") return &prm.DifT0m;
    if (key == "E02") return &prm.AdjWS;
    if (key == "E03") return &prm.AdjDifT;
    if (key == "E04") return &prm.HeaterWatt;
    if (key == "E16") return &prm.ATRevice0;
    if (key == "E17") return &prm.ATRevice1;
    if (key == "E12") return &prm.WDTRevice0;
    if (key == "E13") return &prm.WDTRevice1;
    if (key == "P32") return &prm.ChipStdV;
    if (key == "P41") return &prm.ATRev;
    // P01 to P20: odd numbers are the table's points, even ones its amounts.
    if (key.size() == 3 && key[0] == 'P' && key[1] >= '0' && key[1] <= '9' && key[2] >= '0' &&
        key[2] <= '9') {
        const int n = (key[1] - '0') * 10 + (key[2] - '0');
        if (n >= 1 && n <= 20) {
            const auto i = static_cast<std::size_t>((n - 1) / 2);
            return n % 2 == 1 ? &prm.DIV[i] : &prm.VAL[i];
        }
    }
    return nullptr;
}

const float* ParamField(const TWritePrm& prm, std::string_view key) {
    return ParamField(const_cast<TWritePrm&>(prm), key);
}

} // namespace qvr
