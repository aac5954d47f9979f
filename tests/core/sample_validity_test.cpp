#include "core/sample_validity.h"

#include <gtest/gtest.h>

namespace qvr {
namespace {

FieldSet Fields(std::initializer_list<SampleField> fields) {
    FieldSet set = 0;
    for (SampleField f : fields)
        set |= FieldBit(f);
    return set;
}

// The fields of key set s (0 to 4), as a sensor's whole answer to it gives them.
FieldSet KeySet(int s) {
    FieldSet set = 0;
    for (int i = 5 * s; i < 5 * s + 5; ++i)
        if (StatusKeys[static_cast<std::size_t>(i)].Field != SampleField::None)
            set |= FieldBit(StatusKeys[static_cast<std::size_t>(i)].Field);
    return set;
}

const FieldSet kWindDir = Fields({SampleField::WindDir, SampleField::VectorX});

// A poll at 250 ms ticks; the sensor's answers come in as the test says.
class SampleValidityTest : public ::testing::Test {
protected:
    SampleValidity validity;
    TDateTime now = EncodeDateTime({2024, 5, 29, 12, 0, 0, 0});

    // One tick, the answer decoded in it giving `answered`.
    bool Tick(FieldSet answered, bool fastMode = false, bool windDirModel = false) {
        now += 0.25 / 86400;
        validity.Collect(answered, now);
        return validity.Valid(now, fastMode, windDirModel);
    }
    // Ticks answering every key set once, in the poll's order; true when
    // valid after the last.
    bool Rotation() {
        bool valid = false;
        for (int s : {1, 2, 3, 4, 0})
            valid = Tick(Answer(s));
        return valid;
    }
    // A model without wind direction answers those keys empty.
    static FieldSet Answer(int s) { return KeySet(s) & ~kWindDir; }
};

TEST_F(SampleValidityTest, ValidOnlyOnceTheSensorHasSentEveryPolledField) {
    EXPECT_FALSE(Tick(0)); // the first request goes out
    for (int s : {1, 2, 3, 4})
        EXPECT_FALSE(Tick(Answer(s))) << "set " << s;
    EXPECT_TRUE(Tick(Answer(0)));

    // Wind direction and its vector are needed only from the model that has them.
    EXPECT_FALSE(validity.Valid(now, false, true));
    validity.Collect(kWindDir, now);
    EXPECT_TRUE(validity.Valid(now, false, true));

    // In fast mode only set 0 is asked for.
    SampleValidity fast;
    fast.Collect(0, now);
    fast.Collect(KeySet(0), now);
    EXPECT_TRUE(fast.Valid(now, true, false));
    EXPECT_FALSE(fast.Valid(now, false, false));
}

TEST_F(SampleValidityTest, AFieldAnsweredWithoutANumberKeepsTheSampleInvalid) {
    Tick(0);
    const FieldSet allButWindSpeed = KeySet(0) & ~Fields({SampleField::WindSpeed});
    for (int s : {1, 2, 3, 4})
        Tick(Answer(s));
    EXPECT_FALSE(Tick(allButWindSpeed));
    for (int s : {1, 2, 3, 4})
        EXPECT_FALSE(Tick(Answer(s)));
    EXPECT_TRUE(Tick(Answer(0))); // a number at last
}

TEST_F(SampleValidityTest, SilenceOfMoreThanTwoSecondsEndsItUntilEveryFieldCameAgain) {
    Tick(0);
    ASSERT_TRUE(Rotation());
    // A lost answer or two is no silence.
    EXPECT_TRUE(Tick(0));
    EXPECT_TRUE(Tick(0));
    EXPECT_TRUE(Tick(Answer(3)));
    for (int t = 1; t <= 8; ++t)
        EXPECT_TRUE(Tick(0)) << t * 250 << " ms silent";
    EXPECT_FALSE(Tick(0)); // 2.25 s
    const auto before = validity.Run();
    // The fields from before the silence are old: all must come again, in a new run.
    for (int s : {4, 0, 1, 2})
        EXPECT_FALSE(Tick(Answer(s))) << "set " << s;
    EXPECT_TRUE(Tick(Answer(3)));
    EXPECT_NE(validity.Run(), before);

    // A clock set back an hour is no fresh answer either.
    now -= 1.0 / 24;
    EXPECT_FALSE(Tick(0));
    EXPECT_FALSE(Tick(Answer(4)));
    EXPECT_TRUE(Rotation());
}

TEST_F(SampleValidityTest, ARestartForgetsEarlierAnswersAndTheAnswerWaitingAtIt) {
    Tick(0);
    ASSERT_TRUE(Rotation());
    const auto before = validity.Run();
    validity.Stop();
    EXPECT_FALSE(validity.Valid(now, false, false));
    // The answer decoded at the first tick was asked for in the earlier run.
    EXPECT_FALSE(Tick(Answer(0) | Answer(1) | Answer(2) | Answer(3) | Answer(4)));
    EXPECT_FALSE(Tick(Answer(1)));
    EXPECT_TRUE(Rotation());
    EXPECT_NE(validity.Run(), before); // readings of the two runs are never one window
}

// What the operator is told along a run: stopped, coming up, receiving,
// silent with the seconds counted from the last answer, stopped again.
TEST_F(SampleValidityTest, StateFollowsTheRunAndCountsTheSilence) {
    auto state = [this] { return validity.State(now, false, false); };
    EXPECT_EQ(state().State, DataState::Stopped);
    Tick(0);
    EXPECT_EQ(state().State, DataState::Connecting);
    Tick(Answer(1)); // answering, but not every field yet
    EXPECT_EQ(state().State, DataState::Connecting);
    ASSERT_TRUE(Rotation());
    EXPECT_EQ(state().State, DataState::Receiving);
    for (int i = 0; i < 20; ++i) // 5 s of silence
        Tick(0);
    EXPECT_EQ(state().State, DataState::NoAnswer);
    EXPECT_EQ(state().SilentSeconds, 5);
    validity.Stop();
    EXPECT_EQ(state().State, DataState::Stopped);

    // A sensor silent from the start is counted from the start.
    Tick(0);
    for (int i = 0; i < 12; ++i)
        Tick(0);
    EXPECT_EQ(state().State, DataState::NoAnswer);
    EXPECT_EQ(state().SilentSeconds, 3);
}

} // namespace
} // namespace qvr
