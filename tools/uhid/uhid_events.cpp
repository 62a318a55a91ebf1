#include "uhid_events.h"

#include <algorithm>
#include <cstring>

namespace panelink::uhid {
namespace {

// Copies `text` into a fixed field, keeping room for the terminating zero.
bool put_text(const std::string &text, uint8_t *field, size_t field_size, const char *what,
              std::string &error) {
    if (text.size() >= field_size) {
        error = std::string(what) + " is longer than " + std::to_string(field_size - 1) + " bytes";
        return false;
    }
    std::memcpy(field, text.data(), text.size());
    return true;
}

// Offset of a data field inside the event, and how many of its bytes the read delivered.
size_t available(size_t length, size_t offset, size_t wanted) {
    if (length <= offset) {
        return 0;
    }
    return std::min({wanted, length - offset, static_cast<size_t>(UHID_DATA_MAX)});
}

} // namespace

bool encode_create(const Identity &identity, uhid_event &out, std::string &error) {
    std::memset(&out, 0, sizeof out);
    out.type = UHID_CREATE2;
    uhid_create2_req &request = out.u.create2;
    if (identity.descriptor.empty() || identity.descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        error = "the report descriptor must hold 1 to " + std::to_string(HID_MAX_DESCRIPTOR_SIZE) +
                " bytes, not " + std::to_string(identity.descriptor.size());
        return false;
    }
    if (!put_text(identity.name, request.name, sizeof request.name, "the name", error) ||
        !put_text(identity.phys, request.phys, sizeof request.phys, "the physical path", error) ||
        !put_text(identity.uniq, request.uniq, sizeof request.uniq, "the serial number", error)) {
        return false;
    }
    std::memcpy(request.rd_data, identity.descriptor.data(), identity.descriptor.size());
    request.rd_size = static_cast<uint16_t>(identity.descriptor.size());
    request.bus = identity.bus;
    request.vendor = identity.vendor;
    request.product = identity.product;
    request.version = identity.version;
    request.country = 0;
    return true;
}

bool encode_input(const uint8_t *data, size_t length, uhid_event &out, std::string &error) {
    std::memset(&out, 0, sizeof out);
    out.type = UHID_INPUT2;
    if (length == 0 || length > UHID_DATA_MAX || data == nullptr) {
        error = "an input report must hold 1 to " + std::to_string(UHID_DATA_MAX) + " bytes, not " +
                std::to_string(length);
        return false;
    }
    std::memcpy(out.u.input2.data, data, length);
    out.u.input2.size = static_cast<uint16_t>(length);
    return true;
}

bool encode_get_report_reply(uint32_t id, uint16_t error_code, const uint8_t *data, size_t length,
                             uhid_event &out, std::string &error) {
    std::memset(&out, 0, sizeof out);
    out.type = UHID_GET_REPORT_REPLY;
    if (length > UHID_DATA_MAX || (length > 0 && data == nullptr)) {
        error = "a report reply holds at most " + std::to_string(UHID_DATA_MAX) + " bytes, not " +
                std::to_string(length);
        return false;
    }
    uhid_get_report_reply_req &reply = out.u.get_report_reply;
    reply.id = id;
    reply.err = error_code;
    reply.size = static_cast<uint16_t>(length);
    if (length > 0) {
        std::memcpy(reply.data, data, length);
    }
    return true;
}

void encode_set_report_reply(uint32_t id, uint16_t error_code, uhid_event &out) {
    std::memset(&out, 0, sizeof out);
    out.type = UHID_SET_REPORT_REPLY;
    out.u.set_report_reply.id = id;
    out.u.set_report_reply.err = error_code;
}

void encode_destroy(uhid_event &out) {
    std::memset(&out, 0, sizeof out);
    out.type = UHID_DESTROY;
}

bool decode_event(const uint8_t *bytes, size_t length, Event &event) {
    event = Event{};
    if (bytes == nullptr || length < sizeof(uint32_t)) {
        return false;
    }
    // Short events are extended with zeros, as the kernel's interface asks of readers.
    uhid_event raw;
    std::memset(&raw, 0, sizeof raw);
    std::memcpy(&raw, bytes, std::min(length, sizeof raw));
    const size_t union_offset = offsetof(uhid_event, u);

    switch (raw.type) {
    case UHID_START:
        event.type = EventType::Start;
        break;
    case UHID_STOP:
        event.type = EventType::Stop;
        break;
    case UHID_OPEN:
        event.type = EventType::Open;
        break;
    case UHID_CLOSE:
        event.type = EventType::Close;
        break;
    case UHID_OUTPUT: {
        const uhid_output_req &output = raw.u.output;
        event.type = EventType::Output;
        event.report_type = output.rtype;
        const size_t size =
            available(length, union_offset + offsetof(uhid_output_req, data), output.size);
        event.data.assign(output.data, output.data + size);
        break;
    }
    case UHID_GET_REPORT:
        event.type = EventType::GetReport;
        event.id = raw.u.get_report.id;
        event.report_number = raw.u.get_report.rnum;
        event.report_type = raw.u.get_report.rtype;
        break;
    case UHID_SET_REPORT: {
        const uhid_set_report_req &request = raw.u.set_report;
        event.type = EventType::SetReport;
        event.id = request.id;
        event.report_number = request.rnum;
        event.report_type = request.rtype;
        const size_t size =
            available(length, union_offset + offsetof(uhid_set_report_req, data), request.size);
        event.data.assign(request.data, request.data + size);
        break;
    }
    default:
        event.type = EventType::Other;
        break;
    }
    return true;
}

} // namespace panelink::uhid
