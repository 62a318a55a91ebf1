// The rotary encoder's pulse count: clockwise pulses add one, counter-clockwise pulses take one
// away. The count has no limits of its own; at the ends of a 64-bit number it stays put rather
// than wrap.
#pragma once

#include <limits>

#include <QtGlobal>

class EncoderCount {
  public:
    constexpr EncoderCount() = default;
    constexpr explicit EncoderCount(qint64 value) : value_(value) {}

    constexpr qint64 value() const { return value_; }

    constexpr void clockwisePulse() {
        if (value_ < std::numeric_limits<qint64>::max())
            ++value_;
    }
    constexpr void counterClockwisePulse() {
        if (value_ > std::numeric_limits<qint64>::min())
            --value_;
    }

    friend constexpr bool operator==(EncoderCount, EncoderCount) = default;

  private:
    qint64 value_ = 0;
};
