#include "joystick_layout.h"

#include "button_codes.h"

#include <algorithm>

namespace panelinkd::joystick {
namespace {

std::string input_text(uint32_t number) {
    return "input " + std::to_string(number);
}

// Encoders first: their inputs become pulse buttons or axis steps.
void place_encoders(const BoardSetting &setting, uint32_t inputs, JoystickLayout &layout) {
    for (const auto &encoder : setting.encoders) {
        if (encoder.clockwise > inputs || encoder.counter_clockwise > inputs) {
            layout.warnings.push_back("the encoder on inputs " + std::to_string(encoder.clockwise) +
                                      " and " + std::to_string(encoder.counter_clockwise) +
                                      " is left out: the board has " + std::to_string(inputs) +
                                      " inputs");
            continue;
        }
        InputLayout &clockwise = layout.inputs[encoder.clockwise - 1];
        InputLayout &counter = layout.inputs[encoder.counter_clockwise - 1];
        if (encoder.output == EncoderOutput::Pulses) {
            clockwise.role = counter.role = InputRole::PulseButton;
            continue;
        }
        AxisLayout axis;
        axis.absolute = encoder.output == EncoderOutput::AbsoluteAxis;
        axis.code = encoder.axis;
        axis.minimum = encoder.minimum;
        axis.maximum = encoder.maximum;
        axis.initial = encoder.initial;
        const auto index = static_cast<uint16_t>(layout.axes.size());
        layout.axes.push_back(axis);
        clockwise.role = counter.role = InputRole::AxisStep;
        clockwise.axis = counter.axis = index;
        clockwise.code = counter.code = encoder.axis;
        clockwise.step = encoder.step;
        counter.step = -encoder.step;
    }
}

// Button numbers from 1: the configured ones first, then the lowest free number for each other
// input in input order. Returns one number per input (0: no button).
std::vector<uint32_t> number_buttons(const BoardSetting &setting, JoystickLayout &layout) {
    const auto inputs = static_cast<uint32_t>(layout.inputs.size());
    std::vector<uint32_t> numbers(inputs, 0);
    std::vector<bool> taken(kMaxInputNumber + inputs + 2, false);
    for (const auto &[input, input_setting] : setting.inputs) {
        if (input > inputs) {
            layout.warnings.push_back("the setting of " + input_text(input) +
                                      " is left out: the board has " + std::to_string(inputs) +
                                      " inputs");
            continue;
        }
        InputLayout &target = layout.inputs[input - 1];
        target.invert = input_setting.invert;
        if (input_setting.skip)
            target.role = InputRole::None;
        if (input_setting.button && target.role != InputRole::None) {
            numbers[input - 1] = *input_setting.button;
            taken[*input_setting.button] = true;
        }
    }
    uint32_t next = 1;
    for (uint32_t i = 0; i < inputs; ++i) {
        const InputRole role = layout.inputs[i].role;
        if (numbers[i] != 0 || (role != InputRole::Button && role != InputRole::PulseButton))
            continue;
        while (taken[next])
            ++next;
        numbers[i] = next;
        taken[next] = true;
    }
    return numbers;
}

} // namespace

std::string device_name(const std::string &base, uint32_t k, uint32_t n) {
    const std::string suffix = n > 1 ? " " + std::to_string(k) + "/" + std::to_string(n) : "";
    std::string cut = base;
    const std::size_t room = kMaxDeviceNameBytes - std::min(suffix.size(), kMaxDeviceNameBytes);
    if (cut.size() > room) {
        std::size_t end = room;
        // Back up over UTF-8 continuation bytes so no character is cut in half.
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80)
            --end;
        cut.resize(end);
    }
    return cut + suffix;
}

JoystickLayout make_layout(const BoardInfo &board, const JoystickConfig &config) {
    JoystickLayout layout;
    const BoardSetting &setting = config.board(board.name);
    const uint32_t inputs = std::min(board.input_count, kMaxInputNumber);
    layout.inputs.assign(inputs, InputLayout{InputRole::Button});
    place_encoders(setting, inputs, layout);
    const std::vector<uint32_t> numbers = number_buttons(setting, layout);

    const uint32_t per_device = std::clamp<uint32_t>(config.buttons_per_device, 1,
                                                     static_cast<uint32_t>(kMaxButtonsPerDevice));
    const uint32_t buttons =
        numbers.empty() ? 0 : *std::max_element(numbers.begin(), numbers.end());
    uint32_t devices = (buttons + per_device - 1) / per_device;
    if (devices == 0 && !layout.axes.empty())
        devices = 1;

    for (uint32_t i = 0; i < inputs; ++i) {
        InputLayout &input = layout.inputs[i];
        if (input.role == InputRole::PulseButton)
            input.pulse = static_cast<uint16_t>(layout.pulse_trains++);
        if (numbers[i] == 0)
            continue;
        input.device = static_cast<uint16_t>((numbers[i] - 1) / per_device);
        input.code = button_codes()[(numbers[i] - 1) % per_device];
    }

    const std::string &base = !setting.name.empty()    ? setting.name
                              : !board.product.empty() ? board.product
                                                       : board.name;
    for (uint32_t k = 1; k <= devices; ++k) {
        DeviceLayout device;
        device.name = device_name(base, k, devices);
        device.vendor_id = board.vendor_id;
        device.product_id = board.product_id;
        device.version = static_cast<uint16_t>(k);
        device.button_count = k < devices ? per_device : buttons - (devices - 1) * per_device;
        if (k == 1)
            device.axes = layout.axes;
        layout.devices.push_back(std::move(device));
    }
    return layout;
}

} // namespace panelinkd::joystick
