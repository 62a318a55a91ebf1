#include "stdcall_check.h"

#if defined(__i386__)
/* cdecl: 8(%ebp) fn, 12(%ebp) args, 16(%ebp) count, 20(%ebp) unpopped. esi, edi and ebx are
 * preserved by any conforming callee, so edi keeps the stack pointer from before the pushes. */
__asm__(".text\n"
        ".globl _stdcall_check\n"
        "_stdcall_check:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    pushl %ebx\n"
        "    pushl %esi\n"
        "    pushl %edi\n"
        "    movl 12(%ebp), %esi\n"
        "    movl 16(%ebp), %ecx\n"
        "    movl %esp, %edi\n"
        "1:  testl %ecx, %ecx\n"
        "    jle 2f\n"
        "    decl %ecx\n"
        "    pushl (%esi,%ecx,4)\n"
        "    jmp 1b\n"
        "2:  call *8(%ebp)\n"
        "    movl %edi, %ecx\n"
        "    subl %esp, %ecx\n"
        "    movl %edi, %esp\n"
        "    movl 20(%ebp), %edx\n"
        "    movl %ecx, (%edx)\n"
        "    popl %edi\n"
        "    popl %esi\n"
        "    popl %ebx\n"
        "    popl %ebp\n"
        "    ret\n");
#else
typedef uintptr_t (*any_export)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                                uintptr_t, uintptr_t);

uintptr_t stdcall_check(const void *fn, const uintptr_t *args, int count, int *unpopped) {
    (void)count;
    *unpopped = 0;
    return ((any_export)(uintptr_t)fn)(args[0], args[1], args[2], args[3], args[4], args[5],
                                       args[6], args[7]);
}
#endif
