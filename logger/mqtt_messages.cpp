#include "logger/mqtt_messages.h"

#include "core/sample_fields.h"
#include "records/record_channels.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string_view>

namespace qvr {

namespace {

using nlohmann::json;

// A single-precision value with the digits it was sent with (3.25, not
// 3.2500000953674316): the shortest text that reads back as the same float.
json FloatValue(float value) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return json::parse(std::string_view(text, static_cast<std::size_t>(r.ptr - text)));
}

json FieldValue(const TSampleRec& sample, const SampleFieldInfo& info) {
    if (info.Int) return sample.*info.Int;
    return FloatValue(sample.*info.Float);
}

const char* Unit(SampleField field) {
    switch (field) {
    case SampleField::WindSpeed:
    case SampleField::WindSpeedRaw:
        return "m/s";
    case SampleField::AirTemp:
    case SampleField::AirTempHiRes:
    case SampleField::ProbeTemp:
    case SampleField::TempDiff:
    case SampleField::AirTemp1:
    case SampleField::AirTemp2:
    case SampleField::WdsTemp1:
    case SampleField::WdsTemp2:
        return "degC";
    case SampleField::CpuLoad:
        return "%";
    case SampleField::SupplyVoltage:
    case SampleField::DaOutput:
        return "V";
    case SampleField::AdCount:
        return "1/s";
    case SampleField::WindDir:
        return "deg";
    default:
        return "";
    }
}

// The key of a minute record channel, from the one field table.
const char* ChannelKey(const RecordChannel& channel) {
    for (const SampleFieldInfo& info : SampleFields) {
        if (channel.Field ? info.Float == channel.Field : info.Field == SampleField::AdCount)
            return info.Key;
    }
    return "";
}

// A cell of a written row as a JSON number; a cell that is not one stays text.
json CellValue(const std::string& cell) {
    try {
        const json value = json::parse(cell);
        if (value.is_number()) return value;
    } catch (const json::exception&) {
    }
    return cell;
}

} // namespace

std::string IsoUtcText(TDateTime local) {
    const DateTimeParts p = DecodeDateTime(local);
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &t);
#else
    gmtime_r(&t, &utc);
#endif
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, p.millisecond);
    return text;
}

std::string StatusOnlineMessage(const TSampleRec& sample, const std::string& serialNo) {
    json status = {{"state", "online"}};
    if (!serialNo.empty()) status["serial"] = serialNo;
    if (sample.Sent & (1u << static_cast<int>(SampleField::ModelNo)))
        status["model"] = FloatValue(sample.ModelNo);
    if (sample.Sent & (1u << static_cast<int>(SampleField::Version)))
        status["firmware"] = FloatValue(sample.Version);
    json units = json::object();
    for (const SampleFieldInfo& info : SampleFields)
        if (*Unit(info.Field)) units[info.Key] = Unit(info.Field);
    status["units"] = units;
    return status.dump();
}

std::string StatusOfflineMessage() {
    return json{{"state", "offline"}}.dump();
}

std::string SampleMessage(TDateTime time, const TSampleRec& sample, bool fastMode) {
    json message = {{"time", IsoUtcText(time)}};
    for (const SampleFieldInfo& info : SampleFields)
        if (sample.Sent & (1u << static_cast<int>(info.Field)))
            message[info.Key] = FieldValue(sample, info);
    message["valid"] = sample.Valid;
    message["fast"] = fastMode;
    return message.dump();
}

std::string MinuteMessage(TDateTime time, const std::string& row, std::int32_t count) {
    json avg = json::object(), max = json::object(), min = json::object();
    std::vector<std::string> cells;
    std::size_t start = row.find(',');
    while (start != std::string::npos && start + 1 < row.size()) {
        const std::size_t end = row.find(',', start + 1);
        if (end == std::string::npos) break;
        cells.push_back(row.substr(start + 1, end - start - 1));
        start = end;
    }
    for (std::size_t i = 0; i + 2 < cells.size() + 0 && i / 3 < RecordChannels.size(); i += 3) {
        const char* key = ChannelKey(RecordChannels[i / 3]);
        avg[key] = CellValue(cells[i]);
        max[key] = CellValue(cells[i + 1]);
        min[key] = CellValue(cells[i + 2]);
    }
    return json{{"time", IsoUtcText(time)}, {"minute", row.substr(0, row.find(','))},
                {"count", count},           {"average", avg},
                {"maximum", max},           {"minimum", min}}
        .dump();
}

std::string DroppedMessage(TDateTime time, std::uint64_t dropped) {
    return json{{"time", IsoUtcText(time)}, {"dropped", dropped}}.dump();
}

} // namespace qvr
