// Test support: the caller's InputStates buffer (512 states, one byte per input), framed by guard
// bytes, and checks of what a decode left in it.
//
//     InputStates s;
//     ASSERT_EQ(ReadData(&record, s.data()), PANELINK_READ_DECODED);
//     EXPECT_TRUE(unpacked_as(s, {0, 15}));  // states 0 and 15 on, the other 510 off
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace panelink::test {

// What every state and guard byte holds before a decode: a value no decode writes.
constexpr uint8_t kUntouched = 0xAA;

class InputStates {
  public:
    static constexpr size_t kCount = 512;

    InputStates() { bytes_.fill(kUntouched); }
    uint8_t *data() { return bytes_.data() + kGuard; }
    uint8_t operator[](size_t i) const { return bytes_[kGuard + i]; }
    // The guard bytes on both sides of the states are still kUntouched.
    bool guards_intact() const;
    // Every state and guard byte is still kUntouched.
    bool untouched() const;

  private:
    static constexpr size_t kGuard = 16;
    std::array<uint8_t, kGuard + kCount + kGuard> bytes_;
};

// An unpacked decode of `written` states: each is 1 when listed in `on`, else 0; the states from
// `written` on and the guards are untouched.
::testing::AssertionResult unpacked_as(const InputStates &states, const std::vector<size_t> &on,
                                       size_t written = InputStates::kCount);

// A packed decode of a 64-data-byte report: states 0 to 63 hold `data` followed by zeros; the
// states from 64 on and the guards are untouched.
::testing::AssertionResult packed_as(const InputStates &states, const std::vector<uint8_t> &data);

} // namespace panelink::test
