#pragma once

#include "core/ui_text.h"

#include <array>

// The texts the calibration puts into the calibration tab: grid labels, notes,
// the progress line and the refusals of a step. Standard-C++ code keeps them
// Japanese (the stage log and the report files too); the tab translates each
// piece where it appears in a text, with the data around it as it is.
namespace qvr::calibration_text {

inline constexpr const char* kNotReceived = QT_TRANSLATE_NOOP("CalibrationText", "未受信");
inline constexpr const char* kItem = QT_TRANSLATE_NOOP("CalibrationText", "項目");
inline constexpr const char* kWindSpeed = QT_TRANSLATE_NOOP("CalibrationText", "風速");
inline constexpr const char* kAirTemp1 = QT_TRANSLATE_NOOP("CalibrationText", "気温１");
inline constexpr const char* kAirTemp2 = QT_TRANSLATE_NOOP("CalibrationText", "気温２");
inline constexpr const char* kElementTemp1 = QT_TRANSLATE_NOOP("CalibrationText", "風速温度１");
inline constexpr const char* kElementTemp2 = QT_TRANSLATE_NOOP("CalibrationText", "風速温度２");
inline constexpr const char* kTempDiffLong = QT_TRANSLATE_NOOP("CalibrationText", "温度差L");
inline constexpr const char* kTempDiffShort = QT_TRANSLATE_NOOP("CalibrationText", "温度差S");
inline constexpr const char* kAirTempShort = QT_TRANSLATE_NOOP("CalibrationText", "気温補正S");
inline constexpr const char* kWsShort = QT_TRANSLATE_NOOP("CalibrationText", "WS補正S");
inline constexpr const char* kWindSpeedShort = QT_TRANSLATE_NOOP("CalibrationText", "風速S");
inline constexpr const char* kStale =
    QT_TRANSLATE_NOOP("CalibrationText", "計測値が2秒以上更新されていないため、判定していません");
inline constexpr const char* kFastMode = QT_TRANSLATE_NOOP(
    "CalibrationText",
    "高速モードでは気温・温度差を読まないため、気温・風速温度・温度差の工程は確定できません");
inline constexpr const char* kUnreceived = QT_TRANSLATE_NOOP(
    "CalibrationText", "センサーから受信していない計測値があり、その工程は確定できません");
inline constexpr const char* kComplete =
    QT_TRANSLATE_NOOP("CalibrationText", "キャリブレーション完了");
inline constexpr const char* kInProgress =
    QT_TRANSLATE_NOOP("CalibrationText", "キャリブレーション中: Step-");
inline constexpr const char* kNoSerial =
    QT_TRANSLATE_NOOP("CalibrationText", "シリアル番号が入力されていません");
inline constexpr const char* kSerialBadChar = QT_TRANSLATE_NOOP(
    "CalibrationText", "シリアル番号に使えない文字があります（\\ / : * ? \" < > | など）: ");
inline constexpr const char* kSerialBadEnd =
    QT_TRANSLATE_NOOP("CalibrationText", "シリアル番号の末尾に「.」や空白は使えません: ");
inline constexpr const char* kSerialDevice =
    QT_TRANSLATE_NOOP("CalibrationText", "シリアル番号が機器名と同じため、ファイルを作れません: ");
inline constexpr const char* kStageUnreceived = QT_TRANSLATE_NOOP(
    "CalibrationText", "この段階の計測値をセンサーから受信していないため、確定できません");

inline constexpr const char* kContext = "CalibrationText";
inline constexpr std::array kPieces = {
    kNotReceived,   kItem,         kWindSpeed,     kAirTemp1,       kAirTemp2,   kElementTemp1,
    kElementTemp2,  kTempDiffLong, kTempDiffShort, kAirTempShort,   kWsShort,    kWindSpeedShort,
    kStale,         kFastMode,     kUnreceived,    kComplete,       kInProgress, kNoSerial,
    kSerialBadChar, kSerialBadEnd, kSerialDevice,  kStageUnreceived};

} // namespace qvr::calibration_text
