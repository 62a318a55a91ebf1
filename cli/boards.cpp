#include "boards.h"

#include <algorithm>
#include <cstdio>

#include "record_text.h"

namespace panelink::cli {

Boards::Boards(int32_t mode) : records_(PANELINK_MAX_DEVICES) {
    if (!DetectHID(&count_, records_.data(), mode))
        count_ = 0;
    count_ = std::clamp<int32_t>(count_, 0, PANELINK_MAX_DEVICES);
}

Boards::~Boards() {
    close();
}

void Boards::close() {
    CloseDevices(static_cast<uint32_t>(count_), records_.data());
    count_ = 0;
}

std::span<DeviceRecord> Boards::records() {
    return {records_.data(), static_cast<size_t>(count_)};
}

DeviceRecord *Boards::find(int64_t index) {
    if (index < 0 || index >= count_)
        return nullptr;
    return &records_[static_cast<size_t>(index)];
}

std::string describe(const DeviceRecord &record) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", record.VendorID, record.ProductID);
    return "board " + std::to_string(record.DeviceIndex) + " (" +
           escape_controls(record_texts(record).product) + ", " + ids + ")";
}

DeviceRecord *pick_board(Boards &boards, int64_t index, std::ostream &err) {
    DeviceRecord *record = boards.find(index);
    if (record)
        return record;
    if (boards.records().empty())
        err << "panelink: no board found\n";
    else
        err << "panelink: no board " << index << " (boards 0 to " << boards.records().size() - 1
            << " found; see 'panelink list')\n";
    return nullptr;
}

} // namespace panelink::cli
