#pragma once

#include "core/ui_text.h"

#include <array>

// The pieces the group write, its backup and its read-back put into the write
// window's log and warnings. The lines stay Japanese here (and in any file);
// the window translates each piece where it appears in a line, so lines that
// carry names, keys, counts or paths between the pieces are translated too.
namespace qvr::write_log {

inline constexpr const char* kStart = QT_TRANSLATE_NOOP("WriteLog", "【書込み開始】");
inline constexpr const char* kStopped = QT_TRANSLATE_NOOP("WriteLog", "書込み停止しました！");
inline constexpr const char* kTooLong =
    QT_TRANSLATE_NOOP("WriteLog", " ： 書込み失敗！ 送信データが1フレームに収まりません");
inline constexpr const char* kWriting = QT_TRANSLATE_NOOP("WriteLog", " ： 書込み");
inline constexpr const char* kWritten = QT_TRANSLATE_NOOP("WriteLog", " ： 書込み成功！");
inline constexpr const char* kMismatch =
    QT_TRANSLATE_NOOP("WriteLog", " ： 書込み失敗！ 送信データ不一致");
inline constexpr const char* kRetry = QT_TRANSLATE_NOOP("WriteLog", " ： 応答なし 再書き込み！");
inline constexpr const char* kNoAnswerFailed =
    QT_TRANSLATE_NOOP("WriteLog", " ： 応答なし 書込み失敗！");
inline constexpr const char* kReadOut = QT_TRANSLATE_NOOP("WriteLog", "読出し");
inline constexpr const char* kSeparator = QT_TRANSLATE_NOOP("WriteLog", " ： ");
inline constexpr const char* kLateAnswer =
    QT_TRANSLATE_NOOP("WriteLog", " の遅れた応答を無視しました");
inline constexpr const char* kClosing =
    QT_TRANSLATE_NOOP("WriteLog", " ： 書込み（センサーの書込みモードを閉じます）");
inline constexpr const char* kNoAnswer = QT_TRANSLATE_NOOP("WriteLog", " ： 応答なし");
inline constexpr const char* kNoBackupKept = QT_TRANSLATE_NOOP(
    "WriteLog", "バックアップ: なし（この画面で最初の書込みの前に保存できませんでした）");
inline constexpr const char* kBackup = QT_TRANSLATE_NOOP("WriteLog", "バックアップ: ");
inline constexpr const char* kBackupKept =
    QT_TRANSLATE_NOOP("WriteLog", "（この画面で最初の書込みの前に保存）");
inline constexpr const char* kDone = QT_TRANSLATE_NOOP("WriteLog", "●●書込み完了しました！●●");
inline constexpr const char* kReadBackFailed =
    QT_TRANSLATE_NOOP("WriteLog", "読戻し不一致 書込み失敗！ ");
inline constexpr const char* kUnverified =
    QT_TRANSLATE_NOOP("WriteLog", "●●書込み未確認: 読戻しで確かめられませんでした●●");
inline constexpr const char* kAborted = QT_TRANSLATE_NOOP("WriteLog", "書込みを中止しました");
inline constexpr const char* kClosedInReadBack =
    QT_TRANSLATE_NOOP("WriteLog", "読戻し確認の途中で閉じました: 書込みは未確認です");
inline constexpr const char* kPartlyWritten =
    QT_TRANSLATE_NOOP("WriteLog", "センサーには一部だけ書き込まれた設定が残っています。");
inline constexpr const char* kNoBackup =
    QT_TRANSLATE_NOOP("WriteLog", "書込み前のバックアップはありません");
inline constexpr const char* kRestoreBefore =
    QT_TRANSLATE_NOOP("WriteLog", "元に戻すにはバックアップ ");
inline constexpr const char* kRestoreAfter =
    QT_TRANSLATE_NOOP("WriteLog", " を読み込んで送出してください");
inline constexpr const char* kBackupSilent = QT_TRANSLATE_NOOP(
    "WriteLog", "バックアップ: センサーがパラメータを返さないため保存していません");
inline constexpr const char* kBackupMissingBefore =
    QT_TRANSLATE_NOOP("WriteLog", "バックアップ: センサーが ");
inline constexpr const char* kBackupMissingAfter =
    QT_TRANSLATE_NOOP("WriteLog", " を返さないため保存していません");
inline constexpr const char* kBackupFailed =
    QT_TRANSLATE_NOOP("WriteLog", "バックアップ: 保存できませんでした: ");
inline constexpr const char* kReadBackSilent =
    QT_TRANSLATE_NOOP("WriteLog", "●●読戻し確認: センサーの応答がありません●●");
inline constexpr const char* kNotReadBack = QT_TRANSLATE_NOOP("WriteLog", "読戻しなし! : ");
inline constexpr const char* kReadBackDiffers = QT_TRANSLATE_NOOP("WriteLog", "読戻し不一致! : ");
inline constexpr const char* kAllAgreeBefore = QT_TRANSLATE_NOOP("WriteLog", "●●読戻し確認: 全");
inline constexpr const char* kAllAgreeAfter = QT_TRANSLATE_NOOP("WriteLog", "項目一致●●");
inline constexpr const char* kSummary = QT_TRANSLATE_NOOP("WriteLog", "●●読戻し確認: ");
inline constexpr const char* kSummaryDiffering = QT_TRANSLATE_NOOP("WriteLog", "項目中 不一致 ");
inline constexpr const char* kSummaryUnread = QT_TRANSLATE_NOOP("WriteLog", "、読めず ");

inline constexpr const char* kPlanHeading =
    QT_TRANSLATE_NOOP("WriteLog", "この書込みで変わる値（キー 名称: センサーの値 → 送る値）:");
inline constexpr const char* kPlanNothing = QT_TRANSLATE_NOOP(
    "WriteLog", "この書込みで変わる値: なし（センサーは送る値をすべて持っています）");
inline constexpr const char* kPlanUnread =
    QT_TRANSLATE_NOOP("WriteLog", "センサーから読めず、変わるか分からない値: ");
inline constexpr const char* kPlanSilent = QT_TRANSLATE_NOOP(
    "WriteLog", "センサーの設定を読めなかったため、この書込みで何が変わるか分かりません");
inline constexpr const char* kPlanArrow = QT_TRANSLATE_NOOP("WriteLog", " → ");
inline constexpr const char* kPlanNote =
    QT_TRANSLATE_NOOP("WriteLog", "書込み前のセンサーの設定。この後の書込みで変わる値: ");
inline constexpr const char* kPlanNone = QT_TRANSLATE_NOOP("WriteLog", "なし");
inline constexpr const char* kPlanUnknown = QT_TRANSLATE_NOOP("WriteLog", "不明 ");
inline constexpr const char* kPlanDeclined =
    QT_TRANSLATE_NOOP("WriteLog", "書込みを取りやめました（センサーには何も送っていません）");
inline constexpr const char* kPlanConfirmed =
    QT_TRANSLATE_NOOP("WriteLog", "確認を受けて書き込みます");

inline constexpr const char* kContext = "WriteLog";
inline constexpr std::array kPieces = {kStart,
                                       kStopped,
                                       kTooLong,
                                       kWriting,
                                       kWritten,
                                       kMismatch,
                                       kRetry,
                                       kNoAnswerFailed,
                                       kReadOut,
                                       kSeparator,
                                       kLateAnswer,
                                       kClosing,
                                       kNoAnswer,
                                       kNoBackupKept,
                                       kBackup,
                                       kBackupKept,
                                       kDone,
                                       kReadBackFailed,
                                       kUnverified,
                                       kAborted,
                                       kClosedInReadBack,
                                       kPartlyWritten,
                                       kNoBackup,
                                       kRestoreBefore,
                                       kRestoreAfter,
                                       kBackupSilent,
                                       kBackupMissingBefore,
                                       kBackupMissingAfter,
                                       kBackupFailed,
                                       kReadBackSilent,
                                       kNotReadBack,
                                       kReadBackDiffers,
                                       kAllAgreeBefore,
                                       kAllAgreeAfter,
                                       kSummary,
                                       kSummaryDiffering,
                                       kSummaryUnread,
                                       kPlanHeading,
                                       kPlanNothing,
                                       kPlanUnread,
                                       kPlanSilent,
                                       kPlanArrow,
                                       kPlanNote,
                                       kPlanNone,
                                       kPlanUnknown,
                                       kPlanDeclined,
                                       kPlanConfirmed};

} // namespace qvr::write_log
