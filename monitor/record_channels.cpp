#include "monitor/record_channels.h"

#include <cstdint>

namespace qvr {

const std::array<RecordChannel, kRecordChannelCount> RecordChannels = {{
    {"風速", &TSampleRec::WindSpeed, 0, 999},
    {"気温(参考)", &TSampleRec::AirTemp, -99, 999},
    {"気温（高精度）", &TSampleRec::AirTempHiRes, -99, 999},
    {"風速（生値）", &TSampleRec::WindSpeedRaw, 0, 999},
    {"風速用温度", &TSampleRec::ProbeTemp, -99, 999},
    {"温度差", &TSampleRec::TempDiff, -99, 999},
    {"CPU使用率", &TSampleRec::CpuLoad, 0, 999},
    {"電源電圧", &TSampleRec::SupplyVoltage, 0, 999},
    {"AD変換回数", nullptr, 0, 999},
    {"DA出力", &TSampleRec::DaOutput, 0, 999},
    {"AT-1", &TSampleRec::AirTemp1, -99, 999},
    {"AT-2", &TSampleRec::AirTemp2, -99, 999},
    {"WDT-1", &TSampleRec::WdsTemp1, -99, 999},
    {"WDT-2", &TSampleRec::WdsTemp2, -99, 999},
    {"WD", &TSampleRec::WindDir, -999, 999},
    {"Vector-X", &TSampleRec::VectorX, -9999, 9999},
}};

double ChannelValue(const TSampleRec& sample, const RecordChannel& channel) {
    if (!channel.Field) return sample.AdCount;
    return sample.*channel.Field;
}

void SetChannelValue(TSampleRec& sample, const RecordChannel& channel, double value) {
    if (!channel.Field)
        sample.AdCount = static_cast<std::int32_t>(value);
    else
        sample.*channel.Field = static_cast<float>(value);
}

} // namespace qvr
