// The board hub: one per process. It runs the backend's board watch while any monitor is open,
// keeps the identity of every board present (so that a departure carries its arrival's
// identity), turns what the watch sees into events and hands each to every open monitor.
//
// Threads: the watch delivers from its own thread (or from the thread that plugged a virtual
// board); monitors are opened and closed from any thread. One lock guards the present boards
// and the monitors; starting and stopping the watch take turns under a second one, which the
// watch's deliveries never take, so a watch can be stopped while it is delivering.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <panelink/panelink.h>

#include "backends/platform.h"
#include "monitor/event_queue.h"

namespace panelink::monitor {

// The event an arrival makes: identity, path (at most PANELINK_EVENT_PATH_BYTES - 1 bytes),
// serial number in the multibyte form, and the configuration-interface flag.
PanelinkBoardEvent make_event(int32_t kind, const platform::BoardArrival &arrival);

// True for the interfaces that produce events: the family's vendor IDs.
bool is_board(uint16_t vendor_id, uint16_t product_id);

class BoardHub {
  public:
    // The hub of the process follows the backend in use; a test may give one of its own.
    explicit BoardHub(platform::Backend &(*backend)() = &platform::backend);
    ~BoardHub();
    BoardHub(const BoardHub &) = delete;
    BoardHub &operator=(const BoardHub &) = delete;

    // Adds a monitor's queue; with `snapshot`, an arrival for each present board is queued
    // first. Starts the watch for the first monitor. False (last error set) when the watch
    // cannot be started.
    bool subscribe(const std::shared_ptr<EventQueue> &queue, bool snapshot);
    // Removes a monitor's queue; the last one stops the watch.
    void unsubscribe(const std::shared_ptr<EventQueue> &queue);

  private:
    class Delivery;
    friend class Delivery;

    void arrived(uint64_t generation, const platform::BoardArrival &arrival);
    void left(uint64_t generation, const std::string &path);
    void resynchronise(uint64_t generation, const std::vector<platform::BoardArrival> &present);

    // Under mutex_. With `publish_it` false the present boards change without events (the
    // watch's first walk, and what it delivered while it started).
    void add_present(const platform::BoardArrival &arrival, bool publish_it);
    void remove_present(const std::string &path, bool publish_it);
    void resynchronise_present(const std::vector<platform::BoardArrival> &present, bool publish_it);
    void publish(const PanelinkBoardEvent &event);

    platform::Backend &(*backend_)();
    std::mutex lifecycle_mutex_; // starting and stopping the watch
    std::unique_ptr<Delivery> delivery_;
    std::unique_ptr<platform::BoardWatch> watch_;

    std::mutex mutex_;        // everything below
    uint64_t generation_ = 0; // of the running watch; deliveries of an older one are dropped
    bool starting_ = false;   // the watch is being started: deliveries wait in `early_`
    struct Early {
        enum class Kind { Arrived, Left, Resynchronise } kind;
        std::vector<platform::BoardArrival> arrivals; // one for Arrived
        std::string path;                             // for Left
    };
    std::vector<Early> early_;
    std::vector<std::string> order_; // present paths in the order they arrived
    std::map<std::string, PanelinkBoardEvent> present_;
    std::vector<std::shared_ptr<EventQueue>> queues_;
};

BoardHub &board_hub();

} // namespace panelink::monitor
