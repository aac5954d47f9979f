#include "core/setpoint_file.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/param_keys.h"

namespace qvr {

namespace {

struct FileField {
    const char* section;
    std::string key;
    float* value;
    const char* label; // as the settings window shows it; nullptr: not shown
};

// Every stored field of `prm` with its section and key, in the order of writing.
std::vector<FileField> FileFields(TWritePrm& prm) {
    std::vector<FileField> fields;
    // The label of the parameter the group write sends as `lineKey`.
    const auto label = [](const std::string& lineKey) { return FindParamKey(lineKey)->Label; };
    const auto two = [](std::size_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    const auto add = [&](const char* section, std::string key, float& value, const char* line) {
        fields.push_back({section, std::move(key), &value, line ? label(line) : nullptr});
    };
    add("Early", "ErDifCenter", prm.ErDifCenter, nullptr);
    for (std::size_t i = 0; i < prm.ErDifDir.size(); ++i)
        add("Early", "ErDifDir" + std::to_string(i), prm.ErDifDir[i], nullptr);
    add("Early", "HeaterWatt", prm.HeaterWatt, "E04");
    add("Early", "DifT0m", prm.DifT0m, "E01");
    add("Early", "AdjDifT", prm.AdjDifT, "E03");
    add("Early", "AdjWS", prm.AdjWS, "E02");
    for (std::size_t i = 0; i < prm.DIV.size(); ++i) {
        add("Early", "DIV" + std::to_string(i), prm.DIV[i], ("P" + two(2 * i + 1)).c_str());
        add("Early", "VAL" + std::to_string(i), prm.VAL[i], ("P" + two(2 * i + 2)).c_str());
    }
    add("Exp16", "ATRevice0", prm.ATRevice0, "E16");
    add("Exp16", "ATRevice1", prm.ATRevice1, "E17");
    add("Exp16", "WDTRevice0", prm.WDTRevice0, "E12");
    add("Exp16", "WDTRevice1", prm.WDTRevice1, "E13");
    add("Exp16", "ATRev", prm.ATRev, "P41");
    add("System", "ChipStdV", prm.ChipStdV, "P32");
    return fields;
}

// Loads into a copy, so that a refused file changes nothing.
SetpointLoad LoadInto(TWritePrm& prm, const std::string& path, bool chosen) {
    IniText text;
    try {
        text = IniText::Read(path);
    } catch (const IniFileError& e) {
        throw SetpointFileError(e.what());
    }
    TWritePrm loaded = prm;
    ResetPrm(loaded);
    SetpointLoad load;
    for (const FileField& f : FileFields(loaded)) {
        const auto value = text.Value(f.section, f.key);
        const auto number = value ? ParseFloat(*value) : std::nullopt;
        if (number)
            *f.value = *number;
        else
            load.Defaulted.push_back(f.label ? f.label : f.key);
    }
    if (chosen && !load.AnyFromFile())
        throw SetpointFileError(kNothingReadableLine + std::string("\n") + path);
    prm = loaded;
    return load;
}

} // namespace

bool SetpointLoad::AnyFromFile() const {
    TWritePrm any;
    return Defaulted.size() < FileFields(any).size();
}

SetpointLoad LoadSetpointFile(TWritePrm& prm, const std::string& path) {
    return LoadInto(prm, path, false);
}

SetpointLoad LoadChosenSetpointFile(TWritePrm& prm, const std::string& path) {
    return LoadInto(prm, path, true);
}

std::string DefaultedFieldsMessage(const std::string& path, const SetpointLoad& load) {
    if (load.Defaulted.empty()) return {};
    std::string fields;
    for (const std::string& label : load.Defaulted)
        fields += (fields.empty() ? "" : ", ") + label;
    return kDefaultedLine + std::string("\n") + path + "\n" + fields;
}

void SaveSetpointFile(const TWritePrm& prm, const std::string& path) {
    SaveSetpointFile(prm, path, {});
}

void SaveSetpointFile(const TWritePrm& prm, const std::string& path, const std::string& note) {
    TWritePrm copy = prm;
    // One read and one whole write: a failure part-way must not leave a file
    // whose missing keys would load as factory defaults.
    IniText text = IniText::Read(path);
    if (text.Bytes().empty() && !note.empty()) {
        std::string line = note;
        for (char& ch : line)
            if (ch == '\r' || ch == '\n') ch = ' ';
        text = IniText("; " + Utf8ToCp932(line) + "\r\n");
    }
    for (const FileField& f : FileFields(copy))
        text.SetValue(f.section, f.key, GeneralNumberText(static_cast<double>(*f.value)));
    text.Write(path);
}

} // namespace qvr
