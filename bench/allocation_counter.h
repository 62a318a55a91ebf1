// Heap allocations made through operator new since the program started. Every benchmark
// program links allocation_counter.cpp, which replaces the global operator new and delete.
#pragma once

#include <cstdint>

namespace bench {

uint64_t allocations();

} // namespace bench
