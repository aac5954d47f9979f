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
inline constexpr const char* kTooManyBefore =
    QT_TRANSLATE_NOOP("RecordReader", "行が多すぎるため、最初の ");
inline constexpr const char* kTooManyAfter =
    QT_TRANSLATE_NOOP("RecordReader", " 行だけを読みました");
inline constexpr const char* kEmpty =
    QT_TRANSLATE_NOOP("RecordReader", "記録がありません（空のファイル）");
inline constexpr const char* kNoRows =
    QT_TRANSLATE_NOOP("RecordReader", "記録の行が見つかりません（読めなかった行: ");
inline constexpr const char* kClose = QT_TRANSLATE_NOOP("RecordReader", "）");

inline constexpr const char* kContext = "RecordReader";
inline constexpr std::array kPieces = {kNotRegular, kCannotOpen,    kReadFailed,
                                       kStopped,    kTooManyBefore, kTooManyAfter,
                                       kEmpty,      kNoRows,        kClose};

} // namespace qvr::record_text
