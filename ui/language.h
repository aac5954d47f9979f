#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <string>

class QCoreApplication;

namespace qvr {

// The interface's language. Japanese is the source text and the default;
// texts written into files stay Japanese in either.
enum class UiLanguage { Japanese, English };

// "en" or "ja" (blanks around it ignored); anything else is not a language.
std::optional<UiLanguage> ParseUiLanguage(const QString& code);
QString UiLanguageCode(UiLanguage language);

// English when the system's first interface language is English; Japanese for
// Japanese, any other language and the C/POSIX locale.
UiLanguage SystemUiLanguage(const QStringList& uiLanguages);

struct LanguageChoice {
    UiLanguage language = UiLanguage::Japanese;
    // One line for each value that was given but is not a language.
    QStringList warnings;
};

// The command line's value wins over the setting, the setting over the
// system's languages; an empty value is not given, an unknown one is ignored.
LanguageChoice ChooseUiLanguage(const QString& commandLine, const QString& setting,
                                const QStringList& systemUiLanguages);

// "Language" in section "UI" of "BaseSetpoint.ini" in `dataDir`; empty when absent.
QString ReadLanguageSetting(const std::string& dataDir);
// Throws IniFileError when the file cannot be written.
void WriteLanguageSetting(const std::string& dataDir, UiLanguage language);

// Puts the language's translation on the application; call before any window
// is built. False when the English translation cannot be loaded.
bool InstallUiTranslation(QCoreApplication& app, UiLanguage language);

// A line the standard-C++ code built from marked pieces (core/write_log_texts.h)
// and data, with each piece in the interface's language: the longest piece at
// each place first, the text between pieces (names, keys, counts, paths) as it is.
QString TranslatePieces(const std::string& line, const char* context,
                        std::span<const char* const> pieces);

} // namespace qvr
