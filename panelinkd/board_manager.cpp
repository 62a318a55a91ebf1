#include "board_manager.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>

#include "log.h"
#include "record_text.h"

namespace panelinkd {
namespace {

using std::chrono::milliseconds;

// Without a board monitor, boards plugged in later are found by detecting again this often.
constexpr milliseconds kDetectWithoutMonitor{5000};
// A board whose reads fail is closed; a detection then looks for it again after this delay,
// doubled on each failure in a row up to the most.
constexpr milliseconds kFirstRetry{1000};
constexpr milliseconds kMostRetry{30000};

std::string path_of(const DeviceRecord &record) {
    return panelink::cli::record_texts(record).path;
}

template <size_t N> std::string event_text(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

uint32_t wait_ms_until(Clock::time_point now, Clock::time_point when) {
    if (when <= now)
        return 0;
    const auto ms = std::chrono::ceil<milliseconds>(when - now).count();
    return static_cast<uint32_t>(std::min<int64_t>(ms, 1000));
}

} // namespace

BoardManager::BoardManager(milliseconds poll_interval, BoardNamer namer, BoardRegistry &registry)
    : poll_interval_(poll_interval), namer_(std::move(namer)), registry_(registry),
      slots_(PANELINK_MAX_DEVICES), retry_delay_(kFirstRetry) {
    changed_.reserve(PANELINK_INPUT_STATES_SIZE);
}

BoardManager::~BoardManager() {
    for (Slot &slot : slots_)
        if (slot.state != State::free)
            close_board(slot, "the service ends");
    if (monitor_ != 0)
        panelink_monitor_close(monitor_);
}

void BoardManager::add_sink(BoardSink &sink) {
    sinks_.push_back(&sink);
}

bool BoardManager::holds(const std::string &path) const {
    return std::any_of(slots_.begin(), slots_.end(), [&](const Slot &slot) {
        return slot.state != State::free && slot.info.path == path;
    });
}

void BoardManager::take_monitor_events(uint32_t wait_ms) {
    PanelinkBoardEvent event{};
    while (panelink_monitor_next(monitor_, &event, wait_ms) == PANELINK_MONITOR_EVENT) {
        wait_ms = 0;
        const std::string path = event_text(event.path);
        if (event.event == PANELINK_BOARD_ARRIVED) {
            serials_[path] = event_text(event.serial);
            if (event.opened == 0)
                log_warning("cannot open the board at " + path + ": " +
                            std::strerror(static_cast<int>(event.error)) +
                            " (does the service's user have access to the boards?)");
            detect_wanted_ = true;
            detect_at_ = Clock::now();
        } else if (event.event == PANELINK_BOARD_LEFT) {
            serials_.erase(path);
            for (Slot &slot : slots_)
                if (slot.state != State::free && slot.info.path == path)
                    close_board(slot, "unplugged");
        }
    }
}

void BoardManager::detect(Clock::time_point now) {
    detect_wanted_ = false;
    std::vector<DeviceRecord> found(PANELINK_MAX_DEVICES);
    int32_t count = 0;
    DetectHID(&count, found.data(), PANELINK_MODE_STANDARD);
    count = std::clamp<int32_t>(count, 0, PANELINK_MAX_DEVICES);
    for (int32_t i = 0; i < count; ++i) {
        DeviceRecord &record = found[static_cast<size_t>(i)];
        if (record.Handle == 0)
            continue;
        if (holds(path_of(record)))
            CloseDevices(1, &record); // open already: this second handle is not needed
        else
            open_board(record, now);
    }
    if (monitor_ == 0) {
        detect_wanted_ = true;
        detect_at_ = now + kDetectWithoutMonitor;
    }
}

void BoardManager::open_board(const DeviceRecord &record, Clock::time_point now) {
    (void)now;
    const auto free = std::find_if(slots_.begin(), slots_.end(),
                                   [](const Slot &slot) { return slot.state == State::free; });
    if (free == slots_.end()) {
        DeviceRecord extra = record;
        CloseDevices(1, &extra);
        return;
    }
    Slot &slot = *free;
    slot = Slot{};
    slot.record = record;
    // Each slot keeps its own outstanding polled read, whatever position the detection used.
    slot.record.DeviceIndex = static_cast<uint16_t>(free - slots_.begin());

    const panelink::cli::RecordTexts texts = panelink::cli::record_texts(record);
    const auto serial = serials_.find(texts.path);
    std::set<std::string> taken;
    for (const Slot &other : slots_)
        if (other.state != State::free)
            taken.insert(other.info.name);
    BoardInfo &info = slot.info;
    info.serial = serial != serials_.end() ? serial->second : texts.serial;
    info.product = panelink::cli::locale_to_utf8(texts.product);
    info.path = texts.path;
    info.vendor_id = record.VendorID;
    info.product_id = record.ProductID;
    info.version = record.VersionNumber;
    info.input_count = static_cast<uint32_t>(
        std::clamp<int32_t>(record.InputCount, 0, PANELINK_INPUT_STATES_SIZE));
    info.name = namer_.name(info.product_id, info.serial, taken);
    slot.status_requests = std::make_shared<std::atomic<int>>(0);
    slot.state = State::opening;
    // Starts the first read: the board goes online with the state of its first report.
    if (ReadInputData(&slot.record, slot.read.data(), 0) == PANELINK_READ_FAILED)
        close_board(slot, "its first read failed");
}

void BoardManager::go_online(Slot &slot) {
    slot.state = State::online;
    slot.states = slot.read;
    retry_delay_ = kFirstRetry;
    registry_.add(OpenBoard{slot.info, slot.record, slot.status_requests});
    log_info("board " + slot.info.name + " online: " + slot.info.product + ", " +
             std::to_string(slot.info.input_count) + " inputs, " + slot.info.path);
    const std::span<const uint8_t> inputs(slot.states.data(), slot.info.input_count);
    for (BoardSink *sink : sinks_)
        sink->board_online(slot.info, inputs);
}

void BoardManager::close_board(Slot &slot, const char *reason) {
    if (slot.state == State::online) {
        registry_.remove(slot.info.name);
        log_info("board " + slot.info.name + " offline: " + reason);
        for (BoardSink *sink : sinks_)
            sink->board_offline(slot.info);
    }
    CloseDevices(1, &slot.record);
    slot.state = State::free;
}

void BoardManager::poll(Slot &slot, Clock::time_point now) {
    if (*slot.status_requests > 0)
        return; // the board's reports answer a status request meanwhile
    const int32_t result = ReadInputData(&slot.record, slot.read.data(), 0);
    if (result == PANELINK_READ_FAILED) {
        const bool was_online = slot.state == State::online;
        close_board(slot, "its reads fail");
        if (was_online || monitor_ != 0) {
            // Unplugged boards are reported by the monitor; one still there is tried again.
            detect_wanted_ = true;
            detect_at_ = now + retry_delay_;
            retry_delay_ = std::min(retry_delay_ * 2, kMostRetry);
        }
        return;
    }
    if (slot.state == State::opening) {
        // A board that sends no report within the library's read time-out starts all off.
        if (result == PANELINK_READ_DECODED || result == PANELINK_READ_TIMED_OUT)
            go_online(slot);
        return;
    }
    if (result != PANELINK_READ_DECODED)
        return;
    changed_.clear();
    for (uint32_t i = 0; i < slot.info.input_count; ++i)
        if (slot.read[i] != slot.states[i])
            changed_.push_back(i);
    if (changed_.empty())
        return;
    std::copy_n(slot.read.begin(), slot.info.input_count, slot.states.begin());
    const std::span<const uint8_t> inputs(slot.states.data(), slot.info.input_count);
    for (BoardSink *sink : sinks_)
        sink->inputs_changed(slot.info, inputs, changed_, now);
}

Clock::time_point BoardManager::tick_sinks(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    for (BoardSink *sink : sinks_)
        next = std::min(next, sink->tick(now));
    return next;
}

void BoardManager::run(const std::function<bool()> &stop) {
    monitor_ = panelink_monitor_open(PANELINK_MONITOR_SNAPSHOT);
    if (monitor_ == 0)
        log_warning("no board monitor: boards plugged in later are found by detecting again "
                    "every " +
                    std::to_string(kDetectWithoutMonitor.count() / 1000) + " s");
    else
        take_monitor_events(0); // the boards present, with their whole serial numbers
    Clock::time_point next_poll = Clock::now();
    while (!stop()) {
        Clock::time_point now = Clock::now();
        if (detect_wanted_ && now >= detect_at_)
            detect(now);
        if (now >= next_poll) {
            for (Slot &slot : slots_)
                if (slot.state != State::free)
                    poll(slot, now);
            next_poll += poll_interval_;
            if (next_poll <= now) // fell behind: no burst of polls to catch up
                next_poll = now + poll_interval_;
        }
        now = Clock::now();
        Clock::time_point wake = std::min(next_poll, tick_sinks(now));
        if (detect_wanted_)
            wake = std::min(wake, detect_at_);
        const uint32_t wait = wait_ms_until(now, wake);
        if (monitor_ != 0)
            take_monitor_events(wait);
        else if (wait > 0)
            std::this_thread::sleep_for(milliseconds(wait));
    }
    for (Slot &slot : slots_)
        if (slot.state != State::free)
            close_board(slot, "the service ends");
    if (monitor_ != 0) {
        panelink_monitor_close(monitor_);
        monitor_ = 0;
    }
}

} // namespace panelinkd
