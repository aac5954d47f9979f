#include "core/exchange.h"

#include "fake_link.h"

#include <gtest/gtest.h>
#include <vector>

namespace qvr {
namespace {

// Every payload of the table fits a frame; a frame too long has its own test.
std::string Framed(const std::string& payload) {
    return frame::BuildFrame(payload).value_or("(no frame)");
}

struct ExchangeTest : ::testing::Test {
    test::FakeLink link;
    Exchange exchange{link};
};

struct PayloadCase {
    const char* name;
    std::vector<TKeyValStr> pairs; // into RequestPairs from the first
    bool write;
    const char* payload;
};

TEST_F(ExchangeTest, RequestPayloadsTakeTheLeadingPairs) {
    const PayloadCase cases[] = {
        {"five keys",
         {{"M01", ""}, {"M11", ""}, {"C01", ""}, {"C11", ""}, {"C12", ""}},
         false,
         "RD,M01,M11,C01,C11,C12,"},
        {"read ignores values", {{"E01", "50"}, {"E02", ""}}, false, "RD,E01,E02,"},
        {"read stops at an empty key", {{"M01", ""}, {"", "x"}, {"M11", ""}}, false, "RD,M01,"},
        {"empty read", {}, false, "RD,"},
        {"write stops at an empty value",
         {{"E01", "1"}, {"E02", "2"}, {"E03", "3"}, {"E04", ""}, {"E05", "5"}},
         true,
         "RW,E01=1,E02=2,E03=3,"},
        {"write stops at an empty key", {{"E01", "1"}, {"", "2"}, {"E03", "3"}}, true, "RW,E01=1,"},
        {"empty write", {}, true, "RW,"},
        {"write keeps what fits the pair list",
         {{"P01", std::string(24, '1')}, {"P02", std::string(24, '2')}, {"P03", "3"}},
         true,
         "RW,P01=111111111111111111111111,P02=222222222222222222222222,"},
    };
    for (const PayloadCase& c : cases) {
        exchange.ClearRequest();
        for (std::size_t i = 0; i < c.pairs.size(); ++i)
            exchange.RequestPairs[i] = c.pairs[i];
        c.write ? exchange.SendWriteRequest() : exchange.SendReadRequest();
        EXPECT_EQ(link.LastSent(), Framed(c.payload)) << c.name;
    }
}

TEST_F(ExchangeTest, KeysLeftBehindByAWriteAreReadToo) {
    for (int i = 0; i < 7; ++i)
        exchange.RequestPairs[static_cast<std::size_t>(i)] = {"E0" + std::to_string(i), "1"};
    for (int i = 0; i < 5; ++i)
        exchange.RequestPairs[static_cast<std::size_t>(i)].Key = "M0" + std::to_string(i);
    exchange.SendReadRequest();
    EXPECT_EQ(link.LastSent(), "<RD,M00,M01,M02,M03,M04,E05,E06,>D0\r\n");
}

TEST_F(ExchangeTest, OnlyTheFirstAnswerToARequestFillsTheAnswerPairs) {
    exchange.RequestPairs[0].Key = "M01";
    exchange.SendReadRequest();
    EXPECT_FALSE(exchange.AnswerReceived);
    link.Answer("AD,M01=1.5,");
    link.Answer("AD,M01=2.5,X=1,");
    EXPECT_TRUE(exchange.AnswerReceived);
    EXPECT_EQ(exchange.AnswerPairs[0], (TKeyValStr{"M01", "1.5"}));
    EXPECT_EQ(exchange.AnswerPairs[1], TKeyValStr{});

    // A late answer arriving after the next request counts for that request.
    exchange.SendWriteRequest();
    EXPECT_FALSE(exchange.AnswerReceived);
    EXPECT_EQ(exchange.AnswerPairs[0], TKeyValStr{});
    link.Answer("AD,M01=2.5,X=1,");
    EXPECT_TRUE(exchange.AnswerReceived);
    EXPECT_EQ(exchange.AnswerPairs[1], (TKeyValStr{"X", "1"}));
}

TEST_F(ExchangeTest, OtherKindsChangeNothingAndAnEmptyAnswerCounts) {
    exchange.SendReadRequest();
    for (const char* payload : {"RD,M01,", "RW,E01=1,", "A", "", "ad,M01=1,"})
        link.Answer(payload);
    EXPECT_FALSE(exchange.AnswerReceived);
    EXPECT_EQ(exchange.AnswerPairs[0], TKeyValStr{});

    link.Answer("AW,"); // a write's answer after a read is taken all the same
    EXPECT_TRUE(exchange.AnswerReceived);
    for (const TKeyValStr& pair : exchange.AnswerPairs)
        EXPECT_EQ(pair, TKeyValStr{});
}

TEST_F(ExchangeTest, AnswerPairsBeyondTheTwentiethAreDropped) {
    exchange.SendReadRequest();
    std::string payload = "AD,";
    for (int i = 0; i < 22; ++i)
        payload += "K" + std::to_string(i) + "=" + std::to_string(i) + ",";
    link.Answer(payload);
    EXPECT_EQ(exchange.AnswerPairs[19], (TKeyValStr{"K19", "19"}));
    EXPECT_EQ(exchange.AnswerPairs.size(), 20u);
}

TEST_F(ExchangeTest, AWriteTooLongForAFrameIsNotSentAndNoAnswerIsAwaited) {
    // 60 characters pass the pair-list builder, but "<RW," + list + ">" is 65.
    exchange.RequestPairs[0] = {"P01", std::string(55, '1')};
    exchange.AnswerReceived = true;
    exchange.AnswerPairs[0] = {"old", "1"};
    exchange.SendWriteRequest();
    EXPECT_TRUE(link.sent.empty());
    EXPECT_FALSE(exchange.AnswerReceived);
    EXPECT_EQ(exchange.AnswerPairs[0], TKeyValStr{});
}

TEST_F(ExchangeTest, SendingTakesTheLinkListenerBackFromAnyOtherUser) {
    bool otherCalled = false;
    link.SetOnFrame([&](const std::string&) { otherCalled = true; });
    exchange.SendReadRequest();
    link.Answer("AD,M01=1,");
    EXPECT_FALSE(otherCalled);
    EXPECT_TRUE(exchange.AnswerReceived);
}

} // namespace
} // namespace qvr
