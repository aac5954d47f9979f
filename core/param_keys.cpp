#include "core/param_keys.h"

#include "core/ui_text.h"

namespace qvr {

const std::array<ParamKey, kParamKeyCount> ParamKeys = {{
    {"E01", QT_TRANSLATE_NOOP("CalibrationReport", "0m/s.時温度差"),
     QT_TRANSLATE_NOOP("CalibrationReport", "0m/s.時温度差 (℃)"), "℃", "%1.2f", true},
    {"E02", QT_TRANSLATE_NOOP("CalibrationReport", "基準風速値"),
     QT_TRANSLATE_NOOP("CalibrationReport", "基準風速値 (m/s)"), "m/s", "%1.2f", false},
    {"E03", QT_TRANSLATE_NOOP("CalibrationReport", "基準時温度差"),
     QT_TRANSLATE_NOOP("CalibrationReport", "基準時温度差 (℃)"), "℃", "%1.2f", true},
    {"E04", QT_TRANSLATE_NOOP("CalibrationReport", "ヒータ出力"),
     QT_TRANSLATE_NOOP("CalibrationReport", "ヒータ出力 (W)"), "W", "%1.4f", false},
    {"P01", QT_TRANSLATE_NOOP("CalibrationReport", "補正点1"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点1 (m/s)"), "m/s", "%1.2f", false},
    {"P02", QT_TRANSLATE_NOOP("CalibrationReport", "補正量1"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量1 (m/s)"), "m/s", "%1.2f", false},
    {"P03", QT_TRANSLATE_NOOP("CalibrationReport", "補正点2"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点2 (m/s)"), "m/s", "%1.2f", false},
    {"P04", QT_TRANSLATE_NOOP("CalibrationReport", "補正量2"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量2 (m/s)"), "m/s", "%1.2f", false},
    {"P05", QT_TRANSLATE_NOOP("CalibrationReport", "補正点3"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点3 (m/s)"), "m/s", "%1.2f", false},
    {"P06", QT_TRANSLATE_NOOP("CalibrationReport", "補正量3"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量3 (m/s)"), "m/s", "%1.2f", false},
    {"P07", QT_TRANSLATE_NOOP("CalibrationReport", "補正点4"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点4 (m/s)"), "m/s", "%1.2f", false},
    {"P08", QT_TRANSLATE_NOOP("CalibrationReport", "補正量4"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量4 (m/s)"), "m/s", "%1.2f", false},
    {"P09", QT_TRANSLATE_NOOP("CalibrationReport", "補正点5"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点5 (m/s)"), "m/s", "%1.2f", false},
    {"P10", QT_TRANSLATE_NOOP("CalibrationReport", "補正量5"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量5 (m/s)"), "m/s", "%1.2f", false},
    {"P11", QT_TRANSLATE_NOOP("CalibrationReport", "補正点6"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点6 (m/s)"), "m/s", "%1.2f", false},
    {"P12", QT_TRANSLATE_NOOP("CalibrationReport", "補正量6"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量6 (m/s)"), "m/s", "%1.2f", false},
    {"P13", QT_TRANSLATE_NOOP("CalibrationReport", "補正点7"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点7 (m/s)"), "m/s", "%1.2f", false},
    {"P14", QT_TRANSLATE_NOOP("CalibrationReport", "補正量7"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量7 (m/s)"), "m/s", "%1.2f", false},
    {"P15", QT_TRANSLATE_NOOP("CalibrationReport", "補正点8"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点8 (m/s)"), "m/s", "%1.2f", false},
    {"P16", QT_TRANSLATE_NOOP("CalibrationReport", "補正量8"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量8 (m/s)"), "m/s", "%1.2f", false},
    {"P17", QT_TRANSLATE_NOOP("CalibrationReport", "補正点9"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点9 (m/s)"), "m/s", "%1.2f", false},
    {"P18", QT_TRANSLATE_NOOP("CalibrationReport", "補正量9"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量9 (m/s)"), "m/s", "%1.2f", false},
    {"P19", QT_TRANSLATE_NOOP("CalibrationReport", "補正点10"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正点10 (m/s)"), "m/s", "%1.2f", false},
    {"P20", QT_TRANSLATE_NOOP("CalibrationReport", "補正量10"),
     QT_TRANSLATE_NOOP("CalibrationReport", "補正量10 (m/s)"), "m/s", "%1.2f", false},
    {"E16", QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-1"),
     QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-1 (℃)"), "℃", "%1.3f", true},
    {"E17", QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-2"),
     QT_TRANSLATE_NOOP("CalibrationReport", "気温器差-2 (℃)"), "℃", "%1.3f", true},
    {"E12", QT_TRANSLATE_NOOP("CalibrationReport", "素子温度器差-1"),
     QT_TRANSLATE_NOOP("CalibrationReport", "素子温度器差-1 (℃)"), "℃", "%1.3f", true},
    {"E13", QT_TRANSLATE_NOOP("CalibrationReport", "素子温度器差-2"),
     QT_TRANSLATE_NOOP("CalibrationReport", "素子温度器差-2 (℃)"), "℃", "%1.3f", true},
    {"P32", QT_TRANSLATE_NOOP("CalibrationReport", "基準電圧"),
     QT_TRANSLATE_NOOP("CalibrationReport", "基準電圧 (V)"), "V", "%1.3f", false},
    {"P41", QT_TRANSLATE_NOOP("CalibrationReport", "気温補正"),
     QT_TRANSLATE_NOOP("CalibrationReport", "気温補正"), "", "%1.3f", false},
}};

const ParamKey* FindParamKey(std::string_view key) {
    for (const ParamKey& k : ParamKeys)
        if (key == k.Key) return &k;
    return nullptr;
}

const char* ParamLabel(std::string_view key) {
    const ParamKey* k = FindParamKey(key);
    return k ? k->Label : nullptr;
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
