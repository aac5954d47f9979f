#pragma once

#include "base/date_time.h"

namespace qvr {

// Where the program reads the local date and time. Logic takes a Clock so that
// a test can stand at any moment without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const = 0;
};

// Local wall-clock time with milliseconds.
class SystemClock final : public Clock {
public:
    TDateTime Now() const override;
    static const SystemClock& Instance();
};

// A clock that stands where it is put.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TDateTime now = 0.0) : now_(now) {}
    TDateTime Now() const override { return now_; }
    void Set(TDateTime now) { now_ = now; }
    void Set(const DateTimeParts& parts) { now_ = EncodeDateTime(parts); }
    void AdvanceSeconds(double seconds) { now_ += seconds / 86400.0; }

private:
    TDateTime now_;
};

} // namespace qvr
