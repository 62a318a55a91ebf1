// Test support: the heap allocations a program makes through operator new, so a test or a
// benchmark can show that a stretch of code allocates nothing, or how much it allocates per
// operation, and that blocks come back.
//
// allocation_counter.cpp replaces the global operator new and delete. A program may hold it in
// exactly one translation unit: link the object library panelink_allocation_counter
// (tests/support/allocation_counter.cmake), never compile the source into a program itself.
#pragma once

#include <cstdint>

namespace panelink::test {

// Allocations made through operator new (single and array) since the program started.
uint64_t allocations();

// Blocks from operator new not yet given back through operator delete.
int64_t live_allocations();

} // namespace panelink::test
