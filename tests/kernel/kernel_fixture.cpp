#include "kernel/kernel_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace panelink::test::kernel {
namespace {

std::string node_of(const DeviceRecord &record) {
    const std::string path(record.DevicePath, record.DevicePathLength);
    return path.substr(0, path.find('#'));
}

} // namespace

int32_t poll_until_done(DeviceRecord &record, InputStates &states, int32_t packed, int timeout_ms) {
    const auto start = Clock::now();
    int32_t result = PANELINK_READ_PENDING;
    while ((result = ReadInputData(&record, states.data(), packed)) == PANELINK_READ_PENDING &&
           elapsed_ms(start) < timeout_ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return result;
}

void KernelHidraw::SetUpTestSuite() {
    ASSERT_EQ(geteuid(), 0u) << "needs root: run it through tests/kernel/guest";
}

void KernelHidraw::SetUp() {
    char name[] = "/tmp/panelink-kernel-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    work_ = name;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work_);
}

void KernelHidraw::TearDown() {
    if (count_ > 0)
        CloseDevices(static_cast<uint32_t>(count_), devices_);
    count_ = 0;
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(work_);
}

int32_t KernelHidraw::detect(int32_t mode) {
    if (count_ > 0)
        CloseDevices(static_cast<uint32_t>(count_), devices_);
    count_ = 0;
    const int32_t found = DetectHID(&count_, devices_, mode);
    EXPECT_EQ(found, count_ > 0 ? 1 : 0);
    return count_;
}

DeviceRecord &KernelHidraw::record(const std::string &node) {
    for (int32_t i = 0; i < count_; ++i) {
        if (node_of(devices_[i]) == node)
            return devices_[i];
    }
    ADD_FAILURE() << "no record for " << node;
    return devices_[127];
}

bool KernelHidraw::has_record(const std::string &node) const {
    for (int32_t i = 0; i < count_; ++i) {
        if (node_of(devices_[i]) == node)
            return true;
    }
    return false;
}

std::string KernelHidraw::log() const {
    std::ifstream in(work_ / "panelink_all.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace panelink::test::kernel
