#include "link/frame_codec.h"

#include <array>
#include <gtest/gtest.h>

namespace qvr::frame {
namespace {

struct WorkedFrame {
    const char* payload;
    const char* frameText;
    int sum;
    const char* checksum;
};

const WorkedFrame kWorked[] = {
    {"RD,M01,", "<RD,M01,>", 22, "EA"},
    {"RD,M01,M11,C01,C11,C12,", "<RD,M01,M11,C01,C11,C12,>", 100, "9C"},
    {"RW,E01=1.00,", "<RW,E01=1.00,>", 29, "E3"},
    {"AD,M01=1.234,", "<AD,M01=1.234,>", 58, "C6"},
};

TEST(FrameCodec, BuildsTheWorkedFrames) {
    for (const auto& w : kWorked) {
        const auto frame = BuildFrame(w.payload);
        ASSERT_TRUE(frame) << w.payload;
        EXPECT_EQ(*frame, std::string(w.frameText) + w.checksum + "\r\n");
        EXPECT_EQ((Checksum(w.frameText) + w.sum) % 256, 0);
    }
}

TEST(FrameCodec, VerifiesReceivedFramesWithLenientDigits) {
    struct Case {
        const char* received;
        bool good;
    };
    const Case cases[] = {
        {"<RD,M01,>EA", true},
        {"<RD,M01,>eA", true},  // a lower-case first digit still gives the right byte
        {"<RD,M01,>ea", false}, // as second digit "a" counts 42
        {"<RD,M01,>EB", false},
        {"<RW,E01=1.00,>E:", true}, // ":" is above "9": it counts 58 - 55 = 3
        {"<RD,M01,>E:", false},     // so it never stands for A
        {"<AD,M01=1.234,>C6", true},
        {"x<AD,M01=1.234,>C6", false}, // idle noise in front is summed too
        {"<>86", true},
        {"A", false},
        {"", false},
    };
    for (const auto& c : cases) {
        std::string text = c.received;
        EXPECT_EQ(VerifyFrame(text), c.good) << c.received;
    }
    std::string text = "<AD,M01=1.234,>C6";
    ASSERT_TRUE(VerifyFrame(text));
    EXPECT_EQ(text, "<AD,M01=1.234,>"); // checksum digits removed
}

TEST(FrameCodec, WritesAChecksumBelowSixteenWithALeadingZero) {
    // "<" + ">" = 122; find a payload character that makes the sum 256 - 10.
    const std::string payload(1, static_cast<char>(246 - 122));
    const auto frame = BuildFrame(payload);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->substr(3, 2), "0A");
    std::string text = frame->substr(0, 5);
    EXPECT_TRUE(VerifyFrame(text));
}

TEST(FrameCodec, LimitsTheFrameTextTo64Characters) {
    EXPECT_TRUE(BuildFrame(std::string(62, 'X')));
    EXPECT_EQ(BuildFrame(std::string(62, 'X'))->size(), 64u + 4u);
    EXPECT_FALSE(BuildFrame(std::string(63, 'X')));
    EXPECT_TRUE(BuildFrame(""));
}

TEST(FrameCodec, SumsHighBytesAsUnsigned) {
    const std::string payload = "\xB5\xFF";
    const auto frame = BuildFrame(payload);
    ASSERT_TRUE(frame);
    std::string text = frame->substr(0, frame->size() - 2);
    EXPECT_TRUE(VerifyFrame(text));
}

TEST(PairList, BuildAppendsWhileTheListStaysBelow64) {
    const std::array<TKeyValStr, 2> pairs{{{"E01", "1.00"}, {"E02", "2.00"}}};
    std::string text;
    EXPECT_EQ(BuildPairList(pairs.data(), 2, text), 2);
    EXPECT_EQ(text, "E01=1.00,E02=2.00,");

    // The first pair that would not fit stops the list, even if a later one would.
    const std::array<TKeyValStr, 3> mixed{
        {{"P01", std::string(40, '1')}, {"P02", std::string(30, '2')}, {"P03", "3"}}};
    text.clear();
    EXPECT_EQ(BuildPairList(mixed.data(), 3, text), 1);
    EXPECT_EQ(text.size(), 45u);

    // Exactly 63 characters still fits, 64 does not.
    text.clear();
    const std::array<TKeyValStr, 1> edge{{{"K", std::string(60, '9')}}};
    EXPECT_EQ(BuildPairList(edge.data(), 1, text), 1);
    EXPECT_EQ(text.size(), 63u);
    text.clear();
    const std::array<TKeyValStr, 1> over{{{"KK", std::string(60, '9')}}};
    EXPECT_EQ(BuildPairList(over.data(), 1, text), 0);
    EXPECT_EQ(text, "");
}

TEST(PairList, AWriteListOf60To63CharactersIsTooLongToFrame) {
    for (int valueLen = 55; valueLen <= 58; ++valueLen) {
        const std::array<TKeyValStr, 1> pair{{{"E01", std::string(valueLen, '1')}}};
        std::string text;
        ASSERT_EQ(BuildPairList(pair.data(), 1, text), 1);
        EXPECT_GE(text.size(), 60u);
        EXPECT_FALSE(BuildFrame("RW," + text));
    }
}

TEST(PairList, SplitFollowsTheItemRules) {
    struct Case {
        const char* text;
        int stored;
        std::vector<TKeyValStr> pairs;
    };
    const Case cases[] = {
        {"A=1,B=2", 1, {{"A", "1"}}},
        {"A=1=2,", 1, {{"A", "12"}}},
        {"A,", 1, {{"A", ""}}},
        {"M01=1.234,M11=25.25,", 2, {{"M01", "1.234"}, {"M11", "25.25"}}},
        {",", 1, {{"", ""}}},
        {"", 0, {}},
    };
    for (const auto& c : cases) {
        std::array<TKeyValStr, 20> slots{};
        EXPECT_EQ(SplitPairs(c.text, slots.data(), 20), c.stored) << c.text;
        for (std::size_t i = 0; i < c.pairs.size(); ++i)
            EXPECT_EQ(slots[i], c.pairs[i]);
    }
}

TEST(PairList, SplitDropsPairsBeyondCapacityAndLeavesLaterSlotsAlone) {
    std::array<TKeyValStr, 3> slots{{{"x", "x"}, {"y", "y"}, {"z", "z"}}};
    EXPECT_EQ(SplitPairs("A=1,B=2,C=3,", slots.data(), 2), 2);
    EXPECT_EQ(slots[1], (TKeyValStr{"B", "2"}));
    EXPECT_EQ(slots[2], (TKeyValStr{"z", "z"}));
}

TEST(Answer, DecomposesKindAndPairList) {
    std::string text = "<AD,M01=1.234,>C6";
    ASSERT_TRUE(VerifyFrame(text));
    const auto answer = DecomposeAnswer(text);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, "AD");
    std::array<TKeyValStr, 20> slots{};
    EXPECT_EQ(SplitPairs(answer->pairList, slots.data(), 20), 1);
    EXPECT_EQ(slots[0], (TKeyValStr{"M01", "1.234"}));

    EXPECT_EQ(DecomposeAnswer("<AW,>")->kind, "AW");
    EXPECT_EQ(DecomposeAnswer("<AW,>")->pairList, "");
    EXPECT_EQ(DecomposeAnswer("<AD>")->kind, "AD");
    EXPECT_FALSE(DecomposeAnswer("<A>"));
    EXPECT_FALSE(DecomposeAnswer("<>"));
    EXPECT_FALSE(DecomposeAnswer(""));
}

} // namespace
} // namespace qvr::frame
