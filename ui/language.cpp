#include "ui/language.h"

#include "base/ini_file.h"

#include <QCoreApplication>
#include <QTranslator>

#include <algorithm>
#include <utility>
#include <vector>

namespace qvr {

namespace {

constexpr char kSettingsFile[] = "BaseSetpoint.ini";
constexpr char kSection[] = "UI";
constexpr char kKey[] = "Language";

QString Unknown(const QString& where, const QString& value) {
    return QStringLiteral("qvr-monitor: ignoring unknown language \"%1\" (%2); use en or ja")
        .arg(value, where);
}

} // namespace

std::optional<UiLanguage> ParseUiLanguage(const QString& code) {
    const QString c = code.trimmed();
    if (c == QLatin1String("en")) return UiLanguage::English;
    if (c == QLatin1String("ja")) return UiLanguage::Japanese;
    return std::nullopt;
}

QString UiLanguageCode(UiLanguage language) {
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("ja");
}

UiLanguage SystemUiLanguage(const QStringList& uiLanguages) {
    if (uiLanguages.isEmpty()) return UiLanguage::Japanese;
    const QString first = uiLanguages.first();
    // "en", "en-US", "en_GB"; not "C" nor a language that merely starts with e.
    const bool english = first == QLatin1String("en") || first.startsWith(QLatin1String("en-")) ||
                         first.startsWith(QLatin1String("en_"));
    return english ? UiLanguage::English : UiLanguage::Japanese;
}

LanguageChoice ChooseUiLanguage(const QString& commandLine, const QString& setting,
                                const QStringList& systemUiLanguages) {
    LanguageChoice choice;
    choice.language = SystemUiLanguage(systemUiLanguages);
    bool decided = false;
    const auto consider = [&](const QString& value, const QString& where) {
        if (value.trimmed().isEmpty()) return;
        const auto language = ParseUiLanguage(value);
        if (!language) {
            choice.warnings.append(Unknown(where, value));
        } else if (!decided) {
            choice.language = *language;
            decided = true;
        }
    };
    consider(commandLine, QStringLiteral("--lang"));
    consider(setting, QStringLiteral("%1 [%2] %3").arg(kSettingsFile, kSection, kKey));
    return choice;
}

QString ReadLanguageSetting(const std::string& dataDir) {
    const IniFile ini(dataDir + kSettingsFile);
    return QString::fromStdString(ini.ReadString(kSection, kKey, std::string()));
}

void WriteLanguageSetting(const std::string& dataDir, UiLanguage language) {
    IniFile ini(dataDir + kSettingsFile);
    ini.WriteString(kSection, kKey, UiLanguageCode(language).toStdString());
}

bool InstallUiTranslation(QCoreApplication& app, UiLanguage language) {
    if (language == UiLanguage::Japanese) return true;
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral(":/i18n/qvr-monitor_en.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString TranslatePieces(const std::string& line, const char* context,
                        std::span<const char* const> pieces) {
    const QString text = QString::fromStdString(line);
    std::vector<std::pair<QString, QString>> changed;
    for (const char* piece : pieces) {
        const QString source = QString::fromUtf8(piece);
        QString shown = QCoreApplication::translate(context, piece);
        if (shown != source && text.contains(source))
            changed.emplace_back(source, std::move(shown));
    }
    if (changed.empty()) return text;
    std::sort(changed.begin(), changed.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    QString out;
    for (qsizetype at = 0; at < text.size();) {
        const auto match = std::find_if(changed.begin(), changed.end(), [&](const auto& p) {
            return QStringView(text).mid(at).startsWith(p.first);
        });
        if (match == changed.end()) {
            out += text[at++];
        } else {
            out += match->second;
            at += match->first.size();
        }
    }
    return out;
}

} // namespace qvr
