#include "link/frame_codec.h"

namespace qvr::frame {

std::uint8_t Checksum(std::string_view frameText) {
    std::uint8_t sum = 0;
    for (char c : frameText)
        sum = static_cast<std::uint8_t>(sum + static_cast<unsigned char>(c));
    return static_cast<std::uint8_t>(0u - sum);
}

std::optional<std::string> BuildFrame(std::string_view payload) {
    std::string frame;
    frame.reserve(payload.size() + 6);
    frame += '<';
    frame += payload;
    frame += '>';
    if (frame.size() > kMaxFrameText) return std::nullopt;
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::uint8_t sum = Checksum(frame);
    frame += kHex[sum >> 4];
    frame += kHex[sum & 0x0F];
    frame += "\r\n";
    return frame;
}

namespace {
int DigitValue(char c) {
    const int code = static_cast<unsigned char>(c);
    return code > '9' ? code - 55 : code - 48;
}
} // namespace

bool VerifyFrame(std::string& text) {
    if (text.size() < 2) return false;
    const auto received = static_cast<std::uint8_t>(DigitValue(text[text.size() - 2]) * 16 +
                                                    DigitValue(text[text.size() - 1]));
    text.resize(text.size() - 2);
    return Checksum(text) == received;
}

int BuildPairList(const TKeyValStr* pairs, int count, std::string& text) {
    int appended = 0;
    for (int i = 0; i < count; ++i) {
        const TKeyValStr& pair = pairs[appended];
        if (text.size() + pair.Key.size() + pair.Value.size() + 2 >= kMaxFrameText) break;
        text += pair.Key;
        text += '=';
        text += pair.Value;
        text += ',';
        ++appended;
    }
    return appended;
}

int SplitPairs(std::string_view text, TKeyValStr* slots, int capacity) {
    int used = 0;
    std::string key;
    std::string value;
    bool valueMode = false;
    for (char c : text) {
        if (c == ',') {
            if (used < capacity) slots[used++] = TKeyValStr{key, value};
            key.clear();
            value.clear();
            valueMode = false;
        } else if (c == '=') {
            valueMode = true;
        } else {
            (valueMode ? value : key) += c;
        }
    }
    return used;
}

std::optional<Answer> DecomposeAnswer(std::string_view frameText) {
    if (frameText.size() < 2) return std::nullopt;
    const std::string_view inner = frameText.substr(1, frameText.size() - 2);
    if (inner.size() < 2) return std::nullopt;
    Answer answer;
    answer.kind = std::string(inner.substr(0, 2));
    answer.pairList = inner.size() > 3 ? std::string(inner.substr(3)) : std::string();
    return answer;
}

} // namespace qvr::frame
