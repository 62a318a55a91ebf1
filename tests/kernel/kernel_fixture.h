// What the tests against a real kernel share: the library's records of one detection, run in a
// scratch folder of its own (the detection log goes there), and timing helpers.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include <panelink/panelink.h>

#include "support/input_states.h"

namespace panelink::test::kernel {

using Clock = std::chrono::steady_clock;

inline long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Polls until the record's read completes or fails, for at most timeout_ms.
int32_t poll_until_done(DeviceRecord &record, InputStates &states, int32_t packed,
                        int timeout_ms = 2000);

class KernelHidraw : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Closes the previous detection's records and detects again.
    int32_t detect(int32_t mode = PANELINK_MODE_STANDARD);
    // The record whose path names the hidraw node `node` (a failure, and a spare record, when
    // there is none).
    DeviceRecord &record(const std::string &node);
    // Whether any record names `node`.
    bool has_record(const std::string &node) const;
    // The detection log of the latest detection.
    std::string log() const;

    std::filesystem::path work_, previous_;
    DeviceRecord devices_[128] = {};
    int32_t count_ = 0;
};

} // namespace panelink::test::kernel
