#include "monitor/board_hub.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "detection_modes.h"
#include "device_identity.h"
#include "product_catalogue.h"
#include "product_names.h"

namespace panelink::monitor {

PanelinkBoardEvent make_event(int32_t kind, const platform::BoardArrival &arrival) {
    PanelinkBoardEvent event{};
    event.event = kind;
    event.vendor_id = arrival.attributes.vendor_id;
    event.product_id = arrival.attributes.product_id;
    event.version = arrival.attributes.version_number;
    event.opened = arrival.opened ? 1 : 0;
    event.error = arrival.opened ? 0 : arrival.error;
    const size_t path_length = std::min(arrival.path.size(), sizeof event.path - 1);
    std::memcpy(event.path, arrival.path.data(), path_length);

    // A serial number that cannot be put in the multibyte form is left empty.
    wchar_t serial[platform::kDeviceTextChars] = {};
    const size_t serial_length = std::min(arrival.serial.size(), platform::kDeviceTextChars - 1);
    std::copy_n(arrival.serial.data(), serial_length, serial);
    if (!convert_device_text(serial, event.serial, sizeof event.serial - 1))
        event.serial[0] = '\0';
    event.serial[sizeof event.serial - 1] = '\0';

    const catalogue::Product *product = catalogue::find(event.product_id);
    event.config_interface = product != nullptr && product->has_config_interface() &&
                                     path_names_config_interface(arrival.path)
                                 ? 1
                                 : 0;
    return event;
}

bool is_board(uint16_t vendor_id, uint16_t /*product_id*/) {
    return is_family_vendor(vendor_id);
}

// Hands a watch's deliveries to the hub, marked with the watch's generation.
class BoardHub::Delivery final : public platform::BoardEventSink {
  public:
    Delivery(BoardHub &hub, uint64_t generation) : hub_(hub), generation_(generation) {}
    void arrived(const platform::BoardArrival &arrival) override {
        hub_.arrived(generation_, arrival);
    }
    void left(const std::string &path) override { hub_.left(generation_, path); }
    void resynchronise(const std::vector<platform::BoardArrival> &present) override {
        hub_.resynchronise(generation_, present);
    }

  private:
    BoardHub &hub_;
    const uint64_t generation_;
};

BoardHub::BoardHub(platform::Backend &(*backend)()) : backend_(backend) {}

BoardHub::~BoardHub() = default;

bool BoardHub::subscribe(const std::shared_ptr<EventQueue> &queue, bool snapshot) {
    const std::lock_guard turn(lifecycle_mutex_);
    if (!watch_) {
        uint64_t generation = 0;
        {
            const std::lock_guard lock(mutex_);
            generation = ++generation_;
            starting_ = true;
            early_.clear();
        }
        // The watch is started without the hub's lock: it may deliver at once, from a thread
        // that holds a lock of its own which starting it takes too.
        auto delivery = std::make_unique<Delivery>(*this, generation);
        std::vector<platform::BoardArrival> present;
        std::unique_ptr<platform::BoardWatch> watch =
            backend_().watch_boards(*delivery, &is_board, present);
        const std::lock_guard lock(mutex_);
        starting_ = false;
        if (!watch) {
            early_.clear();
            return false;
        }
        for (const platform::BoardArrival &arrival : present)
            add_present(arrival, false);
        // What was delivered meanwhile follows, with what is known already dropped.
        std::vector<Early> early = std::move(early_);
        early_.clear();
        for (const Early &item : early) {
            switch (item.kind) {
            case Early::Kind::Arrived:
                add_present(item.arrivals.front(), false);
                break;
            case Early::Kind::Left:
                remove_present(item.path, false);
                break;
            case Early::Kind::Resynchronise:
                resynchronise_present(item.arrivals, false);
                break;
            }
        }
        watch_ = std::move(watch);
        delivery_ = std::move(delivery);
    }
    const std::lock_guard lock(mutex_);
    if (snapshot) {
        for (const std::string &path : order_) {
            PanelinkBoardEvent event = present_.at(path);
            event.event = PANELINK_BOARD_ARRIVED;
            queue->push(event);
        }
    }
    queues_.push_back(queue);
    return true;
}

void BoardHub::unsubscribe(const std::shared_ptr<EventQueue> &queue) {
    const std::lock_guard turn(lifecycle_mutex_);
    std::unique_ptr<platform::BoardWatch> watch;
    std::unique_ptr<Delivery> delivery;
    {
        const std::lock_guard lock(mutex_);
        const auto found = std::find(queues_.begin(), queues_.end(), queue);
        if (found == queues_.end())
            return;
        queues_.erase(found);
        if (!queues_.empty())
            return;
        watch = std::move(watch_);
        delivery = std::move(delivery_);
        ++generation_; // anything the stopping watch still delivers is dropped
        present_.clear();
        order_.clear();
    }
    // Stopped without the hub's lock: the watch may be delivering, and waits for nothing else.
    watch.reset();
}

void BoardHub::arrived(uint64_t generation, const platform::BoardArrival &arrival) {
    const std::lock_guard lock(mutex_);
    if (generation != generation_)
        return;
    if (starting_) {
        early_.push_back(Early{Early::Kind::Arrived, {arrival}, {}});
        return;
    }
    add_present(arrival, true);
}

void BoardHub::left(uint64_t generation, const std::string &path) {
    const std::lock_guard lock(mutex_);
    if (generation != generation_)
        return;
    if (starting_) {
        early_.push_back(Early{Early::Kind::Left, {}, path});
        return;
    }
    remove_present(path, true);
}

void BoardHub::resynchronise(uint64_t generation,
                             const std::vector<platform::BoardArrival> &present) {
    const std::lock_guard lock(mutex_);
    if (generation != generation_)
        return;
    if (starting_) {
        early_.push_back(Early{Early::Kind::Resynchronise, present, {}});
        return;
    }
    resynchronise_present(present, true);
}

void BoardHub::add_present(const platform::BoardArrival &arrival, bool publish_it) {
    if (!is_board(arrival.attributes.vendor_id, arrival.attributes.product_id))
        return;
    PanelinkBoardEvent event = make_event(PANELINK_BOARD_ARRIVED, arrival);
    const auto known = present_.find(arrival.path);
    if (known != present_.end()) {
        PanelinkBoardEvent before = known->second;
        before.event = PANELINK_BOARD_ARRIVED;
        if (std::memcmp(&before, &event, sizeof event) == 0)
            return; // told twice (a watch may repeat what its first walk found)
        // Another board at the same path: the one known left without a word.
        remove_present(arrival.path, publish_it);
    }
    present_.emplace(arrival.path, event);
    order_.push_back(arrival.path);
    if (publish_it)
        publish(event);
}

void BoardHub::remove_present(const std::string &path, bool publish_it) {
    const auto known = present_.find(path);
    if (known == present_.end())
        return; // never reported: not a board, or already gone
    PanelinkBoardEvent event = known->second;
    event.event = PANELINK_BOARD_LEFT;
    present_.erase(known);
    order_.erase(std::find(order_.begin(), order_.end(), path));
    if (publish_it)
        publish(event);
}

void BoardHub::resynchronise_present(const std::vector<platform::BoardArrival> &present,
                                     bool publish_it) {
    std::vector<std::string> gone;
    for (const std::string &path : order_) {
        const bool still = std::any_of(present.begin(), present.end(),
                                       [&](const auto &arrival) { return arrival.path == path; });
        if (!still)
            gone.push_back(path);
    }
    for (const std::string &path : gone)
        remove_present(path, publish_it);
    for (const platform::BoardArrival &arrival : present)
        add_present(arrival, publish_it);
}

void BoardHub::publish(const PanelinkBoardEvent &event) {
    for (const std::shared_ptr<EventQueue> &queue : queues_)
        queue->push(event);
}

BoardHub &board_hub() {
    static BoardHub hub;
    return hub;
}

} // namespace panelink::monitor
