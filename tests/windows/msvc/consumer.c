/* A caller of panelink.dll built with MSVC's conventions: compiled as C for the MSVC target with
 * the real public headers, linked with an MSVC-compatible linker against the MSVC import library
 * panelink.lib (on x86 with /SAFESEH), and run on the demo boards (PANELINK_SIMULATE=demo).
 * It prints the library's version, how many of the library's functions it linked, and the boards
 * it found; it ends with status 0 when the version is the header's and at least one board was
 * found.
 *
 * Debian has no MSVC C runtime, so the program needs none: its own entry point
 * (/ENTRY:consumer_main), static buffers, and three functions of kernel32.dll. With MSVC and its
 * runtime, the same calls work from an ordinary main(). */
#include <panelink/panelink.h>
#include <panelink/simulation.h>

__declspec(dllimport) void *__stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void *file, const void *data, unsigned long size,
                                              unsigned long *written, void *overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

static DeviceRecord devices[PANELINK_MAX_DEVICES];

typedef void (*any_function)(void);
static any_function volatile function_address;
#define LINK(function)                                                                             \
    (function_address = (any_function)(function), linked += function_address != 0)

static void print(const char *text, unsigned long size) {
    unsigned long written = 0;
    WriteFile(GetStdHandle((unsigned long)-11 /* STD_OUTPUT_HANDLE */), text, size, &written, 0);
}

static void print_text(const char *text) {
    unsigned long size = 0;
    while (text[size] != '\0')
        size++;
    print(text, size);
}

static void print_number(unsigned long value) {
    char digits[12];
    int at = (int)sizeof digits;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value > 0 && at > 0);
    print(digits + at, (unsigned long)(sizeof digits - (unsigned)at));
}

/* Whether the version text is the header's "major.minor.patch". */
static int version_matches(const char *text) {
    const int parts[3] = {PANELINK_VERSION_MAJOR, PANELINK_VERSION_MINOR, PANELINK_VERSION_PATCH};
    for (int i = 0; i < 3; i++) {
        int value = 0, digits = 0;
        while (*text >= '0' && *text <= '9') {
            value = value * 10 + (*text++ - '0');
            digits++;
        }
        if (digits == 0 || value != parts[i] || *text != (i < 2 ? '.' : '\0'))
            return 0;
        text++;
    }
    return 1;
}

void consumer_main(void) {
    /* Every function of the two headers, so that the link resolves each name the compiler emits
     * (on x86 the decorated stdcall names, _DetectHID@12) and the loader binds each export. Each
     * address goes through a volatile variable: the compiler must take it, and cannot count. */
    unsigned long linked = 0;
    LINK(DetectHID);
    LINK(DetectDevice);
    LINK(CloseDevices);
    LINK(ReadData);
    LINK(WriteData);
    LINK(ReadInputData);
    LINK(RetrieveStatus);
    LINK(WriteDirectOutput);
    LINK(WriteMuxOutput);
    LINK(WriteLatchedOutput);
    LINK(WriteSPIDAC);
    LINK(CmdGLCD);
    LINK(WriteGLCD);
    LINK(WriteDotMatrix);
    LINK(WriteCRTRWR);
    LINK(Write7Segment);
    LINK(ClearLCD);
    LINK(WriteLCD);
    LINK(WriteDisplayOutput);
    LINK(WriteTANDEM);
    LINK(panelink_version);
    LINK(panelink_sim_enable);
    LINK(panelink_sim_reset);
    LINK(panelink_sim_add);
    LINK(panelink_sim_remove);
    LINK(panelink_sim_push_input);
    LINK(panelink_sim_pop_output);
    LINK(panelink_sim_set_responder);
    LINK(panelink_sim_set_fault);
    LINK(panelink_sim_advance_ms);

    const char *version = panelink_version();
    print_text("panelink ");
    print_text(version);
    print_text("\nfunctions linked: ");
    print_number(linked);

    int32_t count = 0;
    int32_t detected = DetectHID(&count, devices, PANELINK_MODE_STANDARD);
    print_text("\nboards: ");
    print_number(count > 0 ? (unsigned long)count : 0);
    print_text("\n");
    for (int32_t i = 0; i < count; i++) {
        print_text("  ");
        print(devices[i].ProductName, (unsigned long)devices[i].ProductNameLength);
        print_text("\n");
    }
    CloseDevices((uint32_t)count, devices);
    ExitProcess(version_matches(version) && detected && count > 0 ? 0 : 1);
}
