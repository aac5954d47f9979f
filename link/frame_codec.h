#pragma once

#include "link/key_val_str.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The sensor's frame format: "<" payload ">" + two upper-case hexadecimal
// checksum digits + CR LF. Protocol text is held one byte per character
// (codes 0 to 255) in std::string. Pure functions only.
namespace qvr::frame {

// "<", payload, ">" may be at most this long.
inline constexpr std::size_t kMaxFrameText = 64;

// Two's complement of the byte sum modulo 256.
std::uint8_t Checksum(std::string_view frameText);

// The whole frame, checksum and CR LF included; nothing when "<" payload ">"
// would be longer than 64 characters.
std::optional<std::string> BuildFrame(std::string_view payload);

// Verifies a collected text ending with its two checksum digits and removes
// those two characters from it (a text shorter than two characters is bad and
// left as it is). Digits are decoded leniently: above "9" counts code - 55,
// anything else code - 48.
bool VerifyFrame(std::string& text);

// Appends key=value, pairs while the list stays below 64 characters; stops at
// the first pair that does not fit. Returns the number appended.
int BuildPairList(const TKeyValStr* pairs, int count, std::string& text);

// Splits key=value, items into at most `capacity` slots; returns how many it
// stored. Slots after the last stored keep their contents.
int SplitPairs(std::string_view text, TKeyValStr* slots, int capacity);

struct Answer {
    std::string kind;     // "AD", "AW" or anything else
    std::string pairList; // what follows the kind and its ","
};

// Takes a verified frame text "<" payload ">" apart; nothing when it has no kind.
std::optional<Answer> DecomposeAnswer(std::string_view frameText);

} // namespace qvr::frame
