#include "tests/base/temp_dir.h"

#include "logger/disk_queue.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qvr::test {
namespace {

QueuedMessage Message(int i) {
    return {"qvr/A/sample",
            "{\"n\":" + std::to_string(i) + ",\"pad\":\"" + std::string(90, 'x') + "\"}"};
}

std::vector<std::uint64_t> Drain(DiskQueue& q, std::size_t most = 1000000) {
    std::vector<std::uint64_t> out;
    while (out.size() < most) {
        auto next = q.Next();
        if (!next) break;
        out.push_back(next->first);
    }
    return out;
}

TEST(DiskQueue, HandsOutInOrderAndSendsTheUnacknowledgedAgainAfterARewind) {
    TempDir dir;
    DiskQueue q(dir.File("q"), 1 << 20);
    std::string error;
    ASSERT_TRUE(q.Open(error)) << error;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(q.Push(Message(i)));
    auto first = q.Next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->second, Message(0));
    const auto rest = Drain(q);
    ASSERT_EQ(rest.size(), 9u);
    // Acknowledged out of order: 0, 1, 3; the connection drops.
    for (std::uint64_t s : {first->first, rest[0], rest[2]})
        q.Acknowledge(s);
    EXPECT_EQ(q.Pending(), 7u);
    q.Rewind();
    const auto again = Drain(q);
    ASSERT_EQ(again.size(), 7u);
    EXPECT_EQ(again.front(), rest[1])
        << "from the oldest unacknowledged, skipping what the broker has";
    EXPECT_TRUE(std::is_sorted(again.begin(), again.end()));
    for (auto s : again)
        q.Acknowledge(s);
    EXPECT_EQ(q.Pending(), 0u);
    EXPECT_EQ(q.Bytes(), 0u);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Path() / "q"),
              std::filesystem::directory_iterator())
        << "every file goes once acknowledged";
}

TEST(DiskQueue, KeepsItsMessagesOverARestartAndCutsOffARecordLeftHalfWritten) {
    TempDir dir;
    std::string error;
    {
        DiskQueue q(dir.File("q"), 1 << 20);
        ASSERT_TRUE(q.Open(error));
        for (int i = 0; i < 5; ++i)
            q.Push(Message(i));
        q.Acknowledge(q.Next()->first);
    }
    // A crash in the middle of a write.
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() / "q"))
        std::ofstream(e.path(), std::ios::app | std::ios::binary) << std::string("\x30\x00\x00", 3);
    DiskQueue q(dir.File("q"), 1 << 20);
    ASSERT_TRUE(q.Open(error)) << error;
    EXPECT_EQ(q.Pending(), 5u) << "an acknowledgement of the last run is not known: sent again";
    q.Push(Message(5));
    std::vector<QueuedMessage> got;
    while (auto next = q.Next())
        got.push_back(next->second);
    ASSERT_EQ(got.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(got[static_cast<std::size_t>(i)], Message(i));
}

TEST(DiskQueue, DropsTheOldestFirstUnderItsBoundAndCountsThem) {
    TempDir dir;
    DiskQueue q(dir.File("q"), 16 * 1024); // segments of 2 KB: about 18 messages each
    std::string error;
    ASSERT_TRUE(q.Open(error));
    for (int i = 0; i < 1000; ++i)
        q.Push(Message(i));
    EXPECT_LE(q.Bytes(), 16u * 1024);
    const std::uint64_t dropped = q.TakeDropped();
    EXPECT_EQ(q.Pending() + dropped, 1000u);
    EXPECT_GT(dropped, 800u);
    EXPECT_EQ(q.TakeDropped(), 0u);
    auto next = q.Next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->second, Message(static_cast<int>(dropped))) << "the newest are kept, in order";
}

TEST(DiskQueue, AFolderThatIsAFileIsRefusedAndAnUnwritableQueueCountsItsLosses) {
    TempDir dir;
    std::ofstream(dir.File("file")) << "x";
    DiskQueue q(dir.File("file"), 1 << 20);
    std::string error;
    EXPECT_FALSE(q.Open(error));
    EXPECT_NE(error.find("cannot make the queue folder"), std::string::npos) << error;
    EXPECT_FALSE(q.Push(Message(1), &error));
    EXPECT_EQ(q.TakeDropped(), 1u);
    EXPECT_EQ(q.Pending(), 0u);
}

} // namespace
} // namespace qvr::test
