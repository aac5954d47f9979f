// CP932 text both ways: any bytes decode to well-formed UTF-8, any text
// encodes, and a text settles after one round trip (characters CP932 lacks
// become "?", duplicates of the code page take one form).
#include "base/text_file.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvr;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // As a file's content.
    const std::string text = Cp932ToUtf8(bytes);
    FUZZ_CHECK(fuzz::IsUtf8(text), "decoding gave malformed UTF-8");
    const std::string encoded = Utf8ToCp932(text);
    FUZZ_CHECK(Cp932ToUtf8(encoded) == text,
               "a decoded text does not survive a round trip: " + fuzz::Printable(bytes));

    // As a text typed or pasted in (possibly malformed UTF-8).
    const std::string out = Utf8ToCp932(bytes);
    const std::string back = Cp932ToUtf8(out);
    FUZZ_CHECK(fuzz::IsUtf8(back), "a round trip gave malformed UTF-8");
    FUZZ_CHECK(Utf8ToCp932(back) == out,
               "an encoded text does not survive a round trip: " + fuzz::Printable(bytes));
    return 0;
}
