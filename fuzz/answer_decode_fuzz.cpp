// An answer from the line to the sample: a received frame goes through the
// sensor link to the exchange's listener and is decoded into a sample. Every
// stored field holds the single-precision value of the last of the first five
// pairs naming it; every other field keeps its value.
#include "base/number_text.h"
#include "core/exchange.h"
#include "core/poll_cycle.h"
#include "core/sample_fields.h"
#include "fuzz/fuzz_check.h"
#include "link/frame_codec.h"
#include "link/sensor_link.h"

#include <cmath>
#include <limits>
#include <map>

namespace {

using namespace qvr;

TSampleRec Marked() {
    TSampleRec s;
    for (const SampleFieldInfo& info : SampleFields) {
        if (info.Float) s.*info.Float = -123.25f;
        if (info.Int) s.*info.Int = -12325;
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string portName;
    SensorLink link(portName, "/nonexistent/");
    Exchange exchange(link);
    FillKeySet(0, exchange.RequestPairs);
    exchange.SendReadRequest(); // installs the listener; the closed link sends nothing

    // A payload that fits is framed as the sensor would; anything else arrives as it is.
    const auto frame = frame::BuildFrame(input);
    link.FeedReceived(frame ? *frame : input);

    TSampleRec sample = Marked();
    const TSampleRec before = sample;
    const FieldSet stored =
        exchange.AnswerReceived ? DecodeAnswer(exchange.AnswerPairs, sample) : FieldSet{0};

    std::map<SampleField, double> expected;
    if (exchange.AnswerReceived) {
        for (int i = 0; i < 5; ++i) {
            const TKeyValStr& pair = exchange.AnswerPairs[static_cast<std::size_t>(i)];
            for (const StatusKey& key : StatusKeys) {
                if (key.Field == SampleField::None || pair.Key != key.Key) continue;
                const auto v = ParseNumber(pair.Value);
                if (v && ToSingle(*v)) expected[key.Field] = *v;
            }
        }
    }
    for (const SampleFieldInfo& info : SampleFields) {
        const auto it = expected.find(info.Field);
        const bool isStored = (stored & FieldBit(info.Field)) != 0;
        FUZZ_CHECK(isStored == (it != expected.end()), std::string("stored flag of ") + info.Key);
        if (info.Float) {
            const float got = sample.*info.Float;
            FUZZ_CHECK(std::isfinite(got), std::string("non-finite ") + info.Key);
            FUZZ_CHECK(got == (isStored ? *ToSingle(it->second) : before.*info.Float),
                       std::string("value of ") + info.Key);
        } else {
            const std::int32_t got = sample.*info.Int;
            std::int32_t want = before.*info.Int;
            if (isStored) {
                const double t = std::trunc(it->second);
                want = t >= 2147483647.0    ? std::numeric_limits<std::int32_t>::max()
                       : t <= -2147483648.0 ? std::numeric_limits<std::int32_t>::min()
                                            : static_cast<std::int32_t>(t);
            }
            FUZZ_CHECK(got == want, std::string("value of ") + info.Key);
        }
    }
    return 0;
}
