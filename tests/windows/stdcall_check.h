/* Calls a function bound by name and, on 32-bit x86, checks its calling convention: reports how
 * much of its argument block the callee left on the stack, 0 for a genuine stdcall function (the
 * callee pops its arguments), 4 x count for a cdecl one. x64 has one calling convention, in
 * which the caller removes the arguments: there the call is made through a function type of
 * eight pointer-sized arguments (a callee reads only those it takes) and 0 is reported. */
#ifndef PANELINK_STDCALL_CHECK_H
#define PANELINK_STDCALL_CHECK_H

#include <stdint.h>

/* Passes args[0] .. args[count - 1] (args[0] the first argument; at most 8, and on x64 args
 * must hold 8 values), calls fn and returns its pointer-sized result; *unpopped receives the
 * bytes the callee did not remove. */
uintptr_t stdcall_check(const void *fn, const uintptr_t *args, int count, int *unpopped);

#endif
