// An encoder input's pulses: each step a press of the full length, then a release as long, and
// steps that come faster wait their turn.
#include "pulse_train.h"

#include <gtest/gtest.h>

namespace panelinkd::joystick {
namespace {

using std::chrono::milliseconds;
using Edge = PulseTrain::Edge;

struct Moment {
    int at_ms;       // when advance() is called
    int steps_added; // steps added just before
    Edge edge;       // what it must give
};

struct Script {
    const char *what;
    std::vector<Moment> moments;
};

void PrintTo(const Script &c, std::ostream *out) {
    *out << c.what;
}

class PulseTrainScript : public ::testing::TestWithParam<Script> {};

TEST_P(PulseTrainScript, GivesTheEdges) {
    const Clock::time_point start{};
    PulseTrain train;
    for (const Moment &moment : GetParam().moments) {
        for (int i = 0; i < moment.steps_added; ++i)
            ASSERT_TRUE(train.add_step());
        EXPECT_EQ(train.advance(start + milliseconds(moment.at_ms), milliseconds(50)), moment.edge)
            << GetParam().what << " at " << moment.at_ms << " ms";
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, PulseTrainScript,
                         ::testing::Values(Script{"one step",
                                                  {{0, 1, Edge::Press},
                                                   {49, 0, Edge::None},
                                                   {50, 0, Edge::Release},
                                                   {60, 0, Edge::None},
                                                   {500, 0, Edge::None}}},
                                           Script{"two steps at once",
                                                  {{0, 2, Edge::Press},
                                                   {50, 0, Edge::Release},
                                                   {99, 0, Edge::None},
                                                   {100, 0, Edge::Press},
                                                   {150, 0, Edge::Release},
                                                   {200, 0, Edge::None}}},
                                           Script{"a step while pressed waits",
                                                  {{0, 1, Edge::Press},
                                                   {10, 1, Edge::None},
                                                   {50, 0, Edge::Release},
                                                   {100, 0, Edge::Press}}},
                                           Script{"a late call stretches, never shortens",
                                                  {{0, 1, Edge::Press},
                                                   {80, 1, Edge::Release},
                                                   {120, 0, Edge::None},
                                                   {130, 0, Edge::Press},
                                                   {179, 0, Edge::None},
                                                   {180, 0, Edge::Release}}},
                                           Script{"idle",
                                                  {{0, 0, Edge::None}, {1000, 0, Edge::None}}}));

TEST(PulseTrain, SaysWhenItNeedsTheNextCall) {
    const Clock::time_point start{};
    PulseTrain train;
    EXPECT_EQ(train.next_due(), Clock::time_point::max());
    train.add_step();
    train.add_step();
    EXPECT_EQ(train.next_due(), Clock::time_point{}); // due at once
    train.advance(start, milliseconds(50));
    EXPECT_EQ(train.next_due(), start + milliseconds(50));
    train.advance(start + milliseconds(50), milliseconds(50));
    EXPECT_EQ(train.next_due(), start + milliseconds(100));
    train.advance(start + milliseconds(100), milliseconds(50));
    train.advance(start + milliseconds(150), milliseconds(50));
    EXPECT_EQ(train.next_due(), Clock::time_point::max());
}

TEST(PulseTrain, APressWrittenLateLastsItsLengthFromTheWrite) {
    const Clock::time_point start{};
    PulseTrain train;
    train.add_step();
    ASSERT_EQ(train.advance(start, milliseconds(50)), Edge::Press);
    train.pressed_at(start + milliseconds(3), milliseconds(50));
    EXPECT_EQ(train.advance(start + milliseconds(50), milliseconds(50)), Edge::None);
    EXPECT_EQ(train.advance(start + milliseconds(53), milliseconds(50)), Edge::Release);
    train.pressed_at(start + milliseconds(60), milliseconds(50)); // released: nothing to move
    EXPECT_EQ(train.next_due(), Clock::time_point::max());
}

TEST(PulseTrain, DropsStepsBeyondTheBound) {
    PulseTrain train;
    for (uint32_t i = 0; i < PulseTrain::kMaxPendingSteps; ++i)
        EXPECT_TRUE(train.add_step());
    EXPECT_FALSE(train.add_step());
    EXPECT_EQ(train.pending(), PulseTrain::kMaxPendingSteps);
}

} // namespace
} // namespace panelinkd::joystick
