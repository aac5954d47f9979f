#pragma once

#include "base/date_time.h"
#include "core/write_prm.h"
#include "link/key_val_str.h"

#include <array>
#include <cstdint>
#include <string>

namespace qvr {

// One sensor reading. Values are held in single precision (integers truncated
// toward zero) and widened by readers for formatting.
struct TSampleRec {
    TDateTime Time = 0.0;
    bool Valid = false;
    float WindSpeed = 0;          // M01, m/s
    float AirTemp = 0;            // M11, degC (reference value)
    float AirTempHiRes = 0;       // C11, degC
    float WindSpeedRaw = 0;       // C01, m/s before correction
    float ProbeTemp = 0;          // C12, degC
    float TempDiff = 0;           // C32, degC
    float CpuLoad = 0;            // C50, %
    float SupplyVoltage = 0;      // C51, V
    std::int32_t AdCount = 0;     // C52, conversions per second
    float DaOutput = 0;           // C53, V
    float AirTemp1 = 0;           // C21, AT-1
    float AirTemp2 = 0;           // C22, AT-2
    float WdsTemp1 = 0;           // C16, WDT-1
    float WdsTemp2 = 0;           // C17, WDT-2
    float WindDir = 0;            // M05, degrees
    float VectorX = 0;            // M07
    float ModelNo = 0;            // S00, 19.10 reports wind direction
    float Version = 0;            // S01
    std::int32_t SystemState = 0; // S11
    std::int32_t HardState = 0;   // S12
    std::int32_t SoftState = 0;   // S13
    // The fields (bits of SampleField) this reading holds as the sensor sent
    // them in this run; the others hold nothing to go by (fast mode polls
    // only the first key set).
    std::uint32_t Sent = 0;
};

struct TMySts {
    bool MaintenanceMode = false;
    bool WindDirModel = false;
    bool SecRec = false;
    bool FastMode = false;
    // The operator stopped collection (Stop, or disconnect in the settings
    // window). A write or read that pauses polling, a missed answer or a line
    // being reconnected leave it clear: collection still runs.
    bool CollectionStopped = false;
    std::string PortName;
};

inline constexpr int kSampleHistorySize = 1024;
inline constexpr int kStatusKeyCount = 30;
inline constexpr int kPairCount = 20;

using TSampleHistory = std::array<TSampleRec, kSampleHistorySize>;
using TKeyValList = std::array<TKeyValStr, kPairCount>;

// Where an answer key's value goes. Index into StatusKeys gives the field.
enum class SampleField {
    None,
    WindSpeed,
    AirTemp,
    WindSpeedRaw,
    AirTempHiRes,
    ProbeTemp,
    TempDiff,
    CpuLoad,
    SupplyVoltage,
    AdCount,
    DaOutput,
    ModelNo,
    Version,
    SystemState,
    HardState,
    SoftState,
    AirTemp1,
    AirTemp2,
    WdsTemp1,
    WdsTemp2,
    WindDir,
    VectorX
};

struct StatusKey {
    const char* Key;
    SampleField Field;
};

extern const std::array<StatusKey, kStatusKeyCount> StatusKeys;
extern const char* const AppVersion;

// How the last group write ended, as its read-back found it. The write window
// sets it when a write ends; the calibration report only passes a set that was
// written and read back equal after its last confirmation.
struct TWriteRecord {
    enum class Outcome {
        None,       // no write since the program started
        Failed,     // a group failed or the read-back found differences
        Stopped,    // ended by the operator or the line before it was verified
        Unverified, // every group echoed, but the read-back got no answer
        Verified    // every group echoed and the read-back agrees
    };
    Outcome Result = Outcome::None;
    TDateTime At = 0;  // when the write ended
    TWritePrm Written; // the set it sent
};

// Stores a decoded value into its field: integer fields truncate toward zero.
// A value beyond single precision (1E39, infinity, NaN) leaves the field as it
// was. True when the value was stored.
bool StoreSampleField(TSampleRec& sample, SampleField field, double value);

// The process-wide instances, touched only on the user-interface thread.
extern TSampleRec CurrentSample;
extern TSampleHistory SampleHistory;
extern TMySts MySts;
extern TWritePrm WritePrm;
extern TWriteRecord LastWrite;

} // namespace qvr
