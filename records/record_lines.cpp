#include "records/record_lines.h"

#include "base/number_text.h"
#include "records/record_channels.h"

namespace qvr {

RecordLayout ChooseLayout(const TMySts& sts) {
    if (!sts.MaintenanceMode) return RecordLayout::Basic;
    return sts.WindDirModel ? RecordLayout::Full : RecordLayout::Extended;
}

int LayoutChannelCount(RecordLayout layout) {
    switch (layout) {
    case RecordLayout::Basic:
        return 2;
    case RecordLayout::Extended:
        return 14;
    case RecordLayout::Full:
        break;
    }
    return kRecordChannelCount;
}

std::vector<std::string> MinuteHeaderPair(RecordLayout layout) {
    const int count = LayoutChannelCount(layout);
    std::string names;
    std::string columns = "時刻";
    if (layout == RecordLayout::Full) {
        // The full pair has no comma at the end of either line; files written
        // so far look like this, so it stays.
        for (int i = 0; i < count; ++i) {
            names += i == 0 ? "," : ",,,";
            names += RecordChannels[i].Name;
            columns += ",Avg,Max,Min";
        }
    } else {
        names = ",";
        columns += ",";
        for (int i = 0; i < count; ++i) {
            names += RecordChannels[i].Name;
            names += ",,,";
            columns += "Avg,Max,Min,";
        }
    }
    return {names, columns};
}

namespace {

std::string ValueText(const TSampleRec& sample, const RecordChannel& channel) {
    if (!channel.Field) return std::to_string(sample.AdCount);
    return GeneralNumberText(sample.*channel.Field);
}

} // namespace

std::string MinuteDataRow(RecordLayout layout, TDateTime time, const TSampleRec& avg,
                          const TSampleRec& max, const TSampleRec& min) {
    std::string row = FormatDateTime("yyyy/mm/dd hh:nn", time) + ",";
    const int count = LayoutChannelCount(layout);
    for (int i = 0; i < count; ++i) {
        const RecordChannel& channel = RecordChannels[i];
        for (const TSampleRec* s : {&avg, &max, &min}) {
            row += ValueText(*s, channel);
            row += ',';
        }
    }
    return row;
}

std::string SecondHeaderLine() {
    return "時刻,風速,気温(参考)";
}

std::string SecondDataRow(TDateTime time, const TSampleRec& sample) {
    return FormatDateTime("yyyy/mm/dd hh:nn.ss", time) + "," +
           FormatFloat("%1.3f,", sample.WindSpeed) + FormatFloat("%1.1f,", sample.AirTemp);
}

std::string RecordFolder(const std::string& dataDir) {
    return dataDir + "Record";
}

std::string MinuteRecordFileName(const std::string& dataDir, TDateTime time) {
    return RecordFolder(dataDir) + "/RT_" + FormatDateTime("yyyymmdd", time) + ".RCD";
}

std::string SecondRecordFileName(const std::string& dataDir, TDateTime time) {
    return RecordFolder(dataDir) + "/RT_" + FormatDateTime("yyyymmdd", time) + ".csv";
}

} // namespace qvr
