#include "base/clock.h"

#include <chrono>
#include <ctime>

namespace qvr {

TDateTime SystemClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const int ms =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &secs);
#else
    localtime_r(&secs, &local);
#endif
    DateTimeParts p;
    p.year = local.tm_year + 1900;
    p.month = local.tm_mon + 1;
    p.day = local.tm_mday;
    p.hour = local.tm_hour;
    p.minute = local.tm_min;
    p.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    p.millisecond = ms < 0 ? 0 : ms;
    return EncodeDateTime(p);
}

const SystemClock& SystemClock::Instance() {
    static const SystemClock clock;
    return clock;
}

} // namespace qvr
