#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qvr::sim {

// The sensor's writable parameter store. Values are held in single precision,
// as the sensor holds them. Writes are taken only while the write session is
// open: "E91" = 1 together with "P99" = the session code. The two session keys
// themselves are always taken.
class SensorParameters {
public:
    static constexpr float kSessionCode = 8137.0f;

    SensorParameters();

    // Back to the factory values; closes the write session.
    void Reset();

    bool IsKnown(std::string_view key) const;
    std::optional<float> Value(std::string_view key) const;

    // Sets a value directly, bypassing the write session (factory tools, tests).
    // Returns false for a key the store does not hold.
    bool Set(std::string_view key, float value);

    // One pair of a write request. Returns the value text of the echo: what
    // the store now holds for the key. Nothing for a key the store does not hold.
    // A value that is not a number, or any write outside the session, leaves
    // the stored value as it was.
    std::optional<std::string> Write(std::string_view key, std::string_view valueText);

    // The held value as the sensor writes it: the key's usual decimals, or more
    // when those would not give back the same single-precision number.
    std::optional<std::string> Text(std::string_view key) const;

    bool SessionOpen() const;

    // Every key and value, in the sensor's own order (E01 … P99).
    std::vector<std::pair<std::string, float>> All() const;

private:
    struct Entry {
        std::string key;
        float factory;
        int decimals;
        float value;
    };
    Entry* Find(std::string_view key);
    const Entry* Find(std::string_view key) const;

    std::vector<Entry> entries_;
};

// Formats a single-precision value with the given decimals, falling back to
// the shortest exact form when the decimals would change the number.
std::string HeldValueText(float value, int decimals);

} // namespace qvr::sim
