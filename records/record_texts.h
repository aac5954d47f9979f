#pragma once

#include "core/ui_text.h"

#include <array>

// The pieces of the record reader's messages. The messages stay Japanese in
// the reader; the viewer translates each piece where it appears, so the paths,
// counts and system errors between them come through as they are.
namespace qvr::record_text {

inline constexpr const char* kNotRegular =
    QT_TRANSLATE_NOOP("RecordReader", ": 通常のファイルではありません");
inline constexpr const char* kCannotOpen = QT_TRANSLATE_NOOP("RecordReader", ": 開けません（");
inline constexpr const char* kReadFailed =
    QT_TRANSLATE_NOOP("RecordReader", ": 読み取りに失敗しました（");
inline constexpr const char* kStopped =
    QT_TRANSLATE_NOOP("RecordReader", ": 読み込みを中止しました");
inline constexpr const char* kCannotList =
    QT_TRANSLATE_NOOP("RecordReader", ": フォルダーを読めません（");
inline constexpr const char* kChanged = QT_TRANSLATE_NOOP(
    "RecordReader", ": 読み込み中にファイルが変わりました。再読み込みしてください");
inline constexpr const char* kBudgetBefore = QT_TRANSLATE_NOOP("RecordReader", ": メモリの上限 (");
inline constexpr const char* kBudgetLines =
    QT_TRANSLATE_NOOP("RecordReader", " MB) に達したため、読み込みを止めました（読んだ行: ");
inline constexpr const char* kBudgetBytes = QT_TRANSLATE_NOOP("RecordReader", "、読んだ量: ");
inline constexpr const char* kBudgetAfter = QT_TRANSLATE_NOOP("RecordReader", " MB）");
inline constexpr const char* kEmpty =
    QT_TRANSLATE_NOOP("RecordReader", "記録がありません（空のファイル）");
inline constexpr const char* kNoRows =
    QT_TRANSLATE_NOOP("RecordReader", "記録の行が見つかりません（読めなかった行: ");
inline constexpr const char* kClose = QT_TRANSLATE_NOOP("RecordReader", "）");

inline constexpr const char* kContext = "RecordReader";
inline constexpr std::array kPieces = {
    kNotRegular,  kCannotOpen,  kReadFailed,  kStopped, kCannotList, kChanged, kBudgetBefore,
    kBudgetLines, kBudgetBytes, kBudgetAfter, kEmpty,   kNoRows,     kClose};

} // namespace qvr::record_text
