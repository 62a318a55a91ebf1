// Test support: a caller's buffer between two guard zones, for checking that the library writes
// nothing outside the buffers it is handed. Each buffer is a heap block of its own, so
// AddressSanitizer also catches what goes past the guards; under AddressSanitizer the guard zones
// are poisoned as well, so even a read of a guard byte stops the program.
//
// Header only and free of GoogleTest, for the test programs and the fuzz targets alike: the
// caller decides how a broken guard fails (an EXPECT in a test, a trap in a fuzz target).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define PANELINK_GUARDED_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PANELINK_GUARDED_ASAN 1
#endif
#endif
#ifdef PANELINK_GUARDED_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace panelink::test {

// `size` bytes filled with `fill`, with kGuardBytes of kGuardByte on each side.
class GuardedBuffer {
  public:
    static constexpr size_t kGuardBytes = 64;
    static constexpr uint8_t kGuardByte = 0xCD;
    static constexpr size_t kAlignment = 16; // enough for any record the library takes

    explicit GuardedBuffer(size_t size = 0, uint8_t fill = 0x5A)
        : size_(size), fill_(fill),
          block_(new (std::align_val_t{kAlignment}) uint8_t[kGuardBytes * 2 + size],
                 Free{kGuardBytes * 2 + size}) {
        std::memset(block_.get(), kGuardByte, kGuardBytes);
        std::memset(data(), fill, size);
        std::memset(data() + size, kGuardByte, kGuardBytes);
        poison(true);
    }

    uint8_t *data() { return block_.get() + kGuardBytes; }
    const uint8_t *data() const { return block_.get() + kGuardBytes; }
    size_t size() const { return size_; }

    // True while every guard byte on both sides still holds kGuardByte.
    bool guards_intact() const {
        poison(false);
        bool intact = true;
        for (size_t i = 0; i < kGuardBytes; ++i)
            intact = intact && block_[i] == kGuardByte && data()[size_ + i] == kGuardByte;
        poison(true);
        return intact;
    }
    // True while no byte of the buffer itself has changed since it was filled.
    bool untouched() const {
        for (size_t i = 0; i < size_; ++i)
            if (data()[i] != fill_)
                return false;
        return true;
    }
    // The buffer's bytes now, and whether they are still those of an earlier snapshot.
    std::vector<uint8_t> snapshot() const { return {data(), data() + size_}; }
    bool same_as(const std::vector<uint8_t> &before) const {
        return before.size() == size_ && std::equal(before.begin(), before.end(), data());
    }

  private:
    // Lifts the poison from the whole block before giving it back.
    struct Free {
        size_t bytes;
        void operator()(uint8_t *p) const {
#ifdef PANELINK_GUARDED_ASAN
            ASAN_UNPOISON_MEMORY_REGION(p, bytes);
#endif
            ::operator delete[](p, std::align_val_t{kAlignment});
        }
    };

    void poison([[maybe_unused]] bool on) const {
#ifdef PANELINK_GUARDED_ASAN
        uint8_t *base = block_.get();
        if (on) {
            ASAN_POISON_MEMORY_REGION(base, kGuardBytes);
            ASAN_POISON_MEMORY_REGION(base + kGuardBytes + size_, kGuardBytes);
        } else {
            ASAN_UNPOISON_MEMORY_REGION(base, kGuardBytes * 2 + size_);
        }
#endif
    }

    size_t size_;
    uint8_t fill_;
    std::unique_ptr<uint8_t[], Free> block_;
};

// A guarded buffer of `count` elements of T.
template <typename T> class Guarded : public GuardedBuffer {
  public:
    explicit Guarded(size_t count = 1, uint8_t fill = 0x5A)
        : GuardedBuffer(count * sizeof(T), fill) {}

    T *get() { return reinterpret_cast<T *>(data()); }
    uint8_t *bytes() { return data(); }
    size_t size_bytes() const { return size(); }
};

} // namespace panelink::test
