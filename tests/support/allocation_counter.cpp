// The program's global operator new and delete, counting what they hand out and take back
// (allocation_counter.h). Blocks come from malloc and go back to free; aligned allocations keep
// the standard library's operators and are not counted.
#include "support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> g_allocations{0};
std::atomic<int64_t> g_live{0};

void *counted(std::size_t size) {
    void *p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_live.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void released(void *p) noexcept {
    if (p == nullptr)
        return;
    g_live.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}

} // namespace

namespace panelink::test {

uint64_t allocations() {
    return g_allocations.load(std::memory_order_relaxed);
}

int64_t live_allocations() {
    return g_live.load(std::memory_order_relaxed);
}

} // namespace panelink::test

void *operator new(std::size_t size) {
    return counted(size);
}
void *operator new[](std::size_t size) {
    return counted(size);
}
void operator delete(void *p) noexcept {
    released(p);
}
void operator delete[](void *p) noexcept {
    released(p);
}
void operator delete(void *p, std::size_t) noexcept {
    released(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    released(p);
}
