/* Calls a function with the stdcall convention and reports how much of its argument block the
 * callee left on the stack: 0 for a genuine stdcall function (the callee pops its arguments),
 * 4 x count for a cdecl one. 32-bit x86 only. */
#ifndef PANELINK_STDCALL_CHECK_H
#define PANELINK_STDCALL_CHECK_H

#include <stdint.h>

/* Pushes args[count - 1] .. args[0] (so args[0] is the first argument), calls fn and returns its
 * 32-bit result; *unpopped receives the bytes the callee did not remove. */
uint32_t stdcall_check(const void *fn, const uint32_t *args, int count, int *unpopped);

#endif
