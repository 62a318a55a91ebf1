#include "support/input_states.h"

#include <algorithm>

namespace panelink::test {
namespace {

::testing::AssertionResult states_are(const InputStates &states,
                                      const std::vector<uint8_t> &expected) {
    if (!states.guards_intact())
        return ::testing::AssertionFailure() << "a guard byte beside the states was written";
    for (size_t i = 0; i < InputStates::kCount; ++i) {
        const uint8_t want = i < expected.size() ? expected[i] : kUntouched;
        if (states[i] != want)
            return ::testing::AssertionFailure()
                   << "state " << i << " is " << int(states[i]) << ", expected " << int(want);
    }
    return ::testing::AssertionSuccess();
}

} // namespace

bool InputStates::guards_intact() const {
    auto untouched = [](uint8_t b) { return b == kUntouched; };
    return std::all_of(bytes_.begin(), bytes_.begin() + kGuard, untouched) &&
           std::all_of(bytes_.end() - kGuard, bytes_.end(), untouched);
}

bool InputStates::untouched() const {
    return std::all_of(bytes_.begin(), bytes_.end(), [](uint8_t b) { return b == kUntouched; });
}

::testing::AssertionResult unpacked_as(const InputStates &states, const std::vector<size_t> &on,
                                       size_t written) {
    std::vector<uint8_t> expected(written, 0);
    for (size_t position : on)
        expected.at(position) = 1;
    return states_are(states, expected);
}

::testing::AssertionResult packed_as(const InputStates &states, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> expected(64, 0);
    std::copy(data.begin(), data.end(), expected.begin());
    return states_are(states, expected);
}

} // namespace panelink::test
