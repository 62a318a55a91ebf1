/* Loads panelink.dll by name, binds every export with GetProcAddress and calls each; on 32-bit
 * x86 with the stdcall convention, checking that the callee removes exactly its arguments (x64
 * has one calling convention):
 *   - DetectHID and DetectDevice walk the system's own HID interfaces (none of the family's
 *     boards is expected) and write the log with its first and last lines;
 *   - every other export, given a zeroed record, returns its failure result;
 *   - a board monitor follows the system's own HID interfaces (through the board watch: on Wine
 *     the message-only window, for want of CM_Register_Notification), gives its wait handle,
 *     has no event and closes; a closed one and bad arguments are refused; another one is left
 *     open for FreeLibrary and the end of the process;
 *   - the virtual-board functions refuse unknown interfaces and switch to an empty bus.
 * Usage: smoke [path of panelink.dll]. Run it in an empty folder: it writes the log there. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>

#include <panelink/panelink.h>
#include <panelink/simulation.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "stdcall_check.h"

static HMODULE library;
static int passed, failed;

static void check(int ok, const char *what) {
    if (ok)
        passed++;
    else
        failed++;
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
}

/* Calls export `name` with `count` arguments (each passed as uintptr_t, see ARG); returns its
 * pointer-sized result, of which a caller keeps the 32 bits of an int32_t result. A missing
 * export or, on x86, a callee that does not pop its arguments is a failure of its own. */
static uintptr_t call(const char *name, int count, ...) {
    uintptr_t args[8] = {0};
    va_list list;
    va_start(list, count);
    for (int i = 0; i < count && i < 8; i++)
        args[i] = va_arg(list, uintptr_t);
    va_end(list);

    FARPROC fn = GetProcAddress(library, name);
    if (fn == NULL) {
        char what[128];
        snprintf(what, sizeof what, "%s is exported", name);
        check(0, what);
        return 0xDEADBEEFu;
    }
    int unpopped = -1;
    uintptr_t result = stdcall_check((const void *)fn, args, count, &unpopped);
    if (unpopped != 0) {
        char what[160];
        snprintf(what, sizeof what, "%s removes its %d argument bytes (left %d)", name, 4 * count,
                 unpopped);
        check(0, what);
    }
    return result;
}

/* Every argument goes through the variadic list as one pointer-sized value. */
#define ARG(x) ((uintptr_t)(x))

static void expect(const char *name, uint32_t result, uint32_t wanted) {
    char what[160];
    snprintf(what, sizeof what, "%s returns %u (got %u)", name, (unsigned)wanted, (unsigned)result);
    check(result == wanted, what);
}

/* Reads a whole text file into a terminated buffer, line breaks as "\n" (the log is a text
 * file: "\r\n" on Windows). NULL when it cannot be read. */
static char *read_file(const char *path, long *size) {
    FILE *file = fopen(path, "r");
    if (file == NULL)
        return NULL;
    size_t capacity = 4096, used = 0;
    char *text = malloc(capacity);
    int c;
    while (text != NULL && (c = fgetc(file)) != EOF) {
        if (used + 1 == capacity) {
            char *grown = realloc(text, capacity *= 2);
            if (grown == NULL)
                free(text);
            text = grown;
            if (text == NULL)
                break;
        }
        text[used++] = (char)c;
    }
    fclose(file);
    if (text != NULL)
        text[used] = '\0';
    *size = (long)used;
    return text;
}

/* Number of present HID interfaces, as the system lists them (for the record). */
static int hid_interfaces(void) {
    GUID guid;
    HidD_GetHidGuid(&guid);
    HDEVINFO set = SetupDiGetClassDevsA(&guid, NULL, NULL, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return -1;
    SP_DEVICE_INTERFACE_DATA data;
    data.cbSize = sizeof data;
    int count = 0;
    while (SetupDiEnumDeviceInterfaces(set, NULL, &guid, (DWORD)count, &data))
        count++;
    SetupDiDestroyDeviceInfoList(set);
    return count;
}

static int ends_with(const char *text, long size, const char *tail) {
    long n = (long)strlen(tail);
    return size >= n && memcmp(text + size - n, tail, (size_t)n) == 0;
}

static int count_of(const char *text, const char *needle) {
    int n = 0;
    for (const char *at = strstr(text, needle); at != NULL; at = strstr(at + 1, needle))
        n++;
    return n;
}

static const char kLogHead[] = "\n\nPANELINK initialization!\n\nFlash : 255\n";
static const char kLogTail[] = "\nNum Devices Detected : 0\n";

static void enumeration_over_system_devices(void) {
    static DeviceRecord records[129];
    int32_t count = -1;
    memset(records, 0xAB, sizeof records);
    printf("the system shows %d HID interfaces\n", hid_interfaces());

    expect("DetectHID (no family board)", call("DetectHID", 3, ARG(&count), ARG(records), ARG(255)),
           0);
    check(count == 0, "DetectHID stores a count of 0");
    int untouched = 1;
    for (size_t i = sizeof(DeviceRecord); i < sizeof records; i++)
        untouched &= ((const unsigned char *)records)[i] == 0xAB;
    check(untouched, "DetectHID writes no record past the first");

    long size = 0;
    char *log = read_file("panelink_all.log", &size);
    check(log != NULL, "DetectHID writes panelink_all.log");
    if (log != NULL) {
        check(strncmp(log, kLogHead, strlen(kLogHead)) == 0, "the log starts with its first lines");
        check(ends_with(log, size, kLogTail), "the log ends with \"Num Devices Detected : 0\"");
        printf("--- panelink_all.log (%ld bytes) ---\n%s\n--- end of log ---\n", size, log);
        free(log);
    }

    count = -1;
    expect("DetectDevice (product 0x0800)",
           call("DetectDevice", 4, ARG(&count), ARG(records), ARG(0x0800), ARG(255)), 0);
    check(count == 0, "DetectDevice stores a count of 0");
    log = read_file("panelink_all.log", &size);
    if (log != NULL) {
        check(count_of(log, "PANELINK initialization!") == 2, "DetectDevice appends to the log");
        check(ends_with(log, size, kLogTail), "the appended log ends with its last line");
        free(log);
    } else {
        check(0, "the log is still there after DetectDevice");
    }
    expect("DetectHID (null count)", call("DetectHID", 3, ARG(0), ARG(records), ARG(255)), 0);
}

/* panelink_version takes no arguments and returns the header's numbers joined with dots. */
static void version_text(void) {
    char wanted[32];
    snprintf(wanted, sizeof wanted, "%d.%d.%d", PANELINK_VERSION_MAJOR, PANELINK_VERSION_MINOR,
             PANELINK_VERSION_PATCH);
    const char *text = (const char *)(uintptr_t)call("panelink_version", 0);
    char what[96];
    snprintf(what, sizeof what, "panelink_version returns \"%s\"", wanted);
    check(text != NULL && text != (const char *)(uintptr_t)0xDEADBEEFu && strcmp(text, wanted) == 0,
          what);
}

static void exports_on_a_zeroed_record(void) {
    DeviceRecord record;
    memset(&record, 0, sizeof record);
    static uint8_t states[PANELINK_INPUT_STATES_SIZE];
    static uint8_t data[512];
    static StatusRecord status;
    static const char layout[22] = "12.3";
    memset(states, 0x5A, sizeof states);

    expect("CloseDevices", call("CloseDevices", 2, ARG(1), ARG(&record)), 1);
    check(record.Handle == 0, "CloseDevices leaves a closed record closed");
    expect("ReadData", call("ReadData", 2, ARG(&record), ARG(states)), PANELINK_READ_FAILED);
    expect("ReadInputData", call("ReadInputData", 3, ARG(&record), ARG(states), ARG(0)),
           PANELINK_READ_FAILED);
    check(states[0] == 0x5A && states[511] == 0x5A, "failed reads leave InputStates untouched");
    expect("WriteData", call("WriteData", 2, ARG(&record), ARG(data)), 0);

    memset(&status, 0, sizeof status);
    call("RetrieveStatus", 2, ARG(&record), ARG(&status));
    check(status.BaseFlags[0] == 1 && status.PortFault[23] == 1,
          "RetrieveStatus writes its initial flags and nothing is exchanged");

    expect("WriteDirectOutput", call("WriteDirectOutput", 3, ARG(&record), ARG(0), ARG(data)), 0);
    expect("WriteMuxOutput", call("WriteMuxOutput", 3, ARG(&record), ARG(1), ARG(data)), 0);
    expect("WriteLatchedOutput",
           call("WriteLatchedOutput", 4, ARG(&record), ARG(0), ARG(data), ARG(0)), 0);
    expect("WriteSPIDAC", call("WriteSPIDAC", 4, ARG(&record), ARG(0), ARG(data), ARG(0)), 0);
    expect("CmdGLCD", call("CmdGLCD", 4, ARG(&record), ARG(0), ARG(0), ARG(0x3F)), 0);
    expect("WriteGLCD",
           call("WriteGLCD", 6, ARG(&record), ARG(0), ARG(0), ARG(2), ARG(0), ARG(data)), 0);
    expect("WriteDotMatrix", call("WriteDotMatrix", 4, ARG(&record), ARG(0), ARG(data), ARG(0)), 0);
    expect("WriteCRTRWR",
           call("WriteCRTRWR", 6, ARG(&record), ARG(0), ARG(0), ARG(13), ARG(0), ARG(data)), 0);
    expect("Write7Segment", call("Write7Segment", 2, ARG(&record), ARG(data)), 0);
    expect("ClearLCD", call("ClearLCD", 2, ARG(&record), ARG(0)), 0);
    expect("WriteLCD", call("WriteLCD", 5, ARG(&record), ARG(0), ARG(1), ARG(data), ARG(0)), 0);
    expect("WriteDisplayOutput",
           call("WriteDisplayOutput", 4, ARG(&record), ARG(0), ARG("123.4"), ARG(0)), 0);
    expect("WriteTANDEM", call("WriteTANDEM", 3, ARG(&record), ARG(layout), ARG(0)), 0);
}

/* Before the virtual boards: the monitor runs the platform's own board watch. */
static void board_monitor(void) {
    static PanelinkBoardEvent event;
    expect("panelink_monitor_open (unknown flag)", call("panelink_monitor_open", 1, ARG(0x80)), 0);
    const uint32_t monitor = (uint32_t)call("panelink_monitor_open", 1, ARG(0));
    check(monitor != 0 && monitor != 0xDEADBEEFu, "panelink_monitor_open starts the board watch");
    const intptr_t handle = (intptr_t)call("panelink_monitor_wait_handle", 1, ARG(monitor));
    check(handle != -1 && WaitForSingleObject((HANDLE)handle, 0) == WAIT_TIMEOUT,
          "panelink_monitor_wait_handle gives an event, not set while nothing is queued");
    expect("panelink_monitor_next (no board)",
           call("panelink_monitor_next", 3, ARG(monitor), ARG(&event), ARG(50)),
           PANELINK_MONITOR_TIMEOUT);
    expect("panelink_monitor_next (null event)",
           call("panelink_monitor_next", 3, ARG(monitor), ARG(0), ARG(0)),
           (uint32_t)PANELINK_MONITOR_BAD_ARGUMENT);
    expect("panelink_monitor_close", call("panelink_monitor_close", 1, ARG(monitor)), 1);
    expect("panelink_monitor_close (closed)", call("panelink_monitor_close", 1, ARG(monitor)), 0);
    expect("panelink_monitor_next (closed)",
           call("panelink_monitor_next", 3, ARG(monitor), ARG(&event), ARG(0)),
           (uint32_t)PANELINK_MONITOR_CLOSED);
    check((intptr_t)call("panelink_monitor_wait_handle", 1, ARG(monitor)) == -1,
          "panelink_monitor_wait_handle of a closed monitor is -1");

    /* One left open: the DLL is unloaded and the process ends with it running (which must
     * neither hang nor crash). */
    const uint32_t left_open = (uint32_t)call("panelink_monitor_open", 1, ARG(0));
    check(left_open != 0 && left_open != monitor, "a second monitor opens, and is left open");
}

static void virtual_board_functions(void) {
    static unsigned char buffer[64];
    expect("panelink_sim_add (null)", call("panelink_sim_add", 1, ARG(0)), 0);
    expect("panelink_sim_remove (unknown)", call("panelink_sim_remove", 1, ARG(999)), 0);
    expect("panelink_sim_push_input (unknown)",
           call("panelink_sim_push_input", 3, ARG(999), ARG(buffer), ARG(1)), 0);
    expect("panelink_sim_pop_output (unknown)",
           call("panelink_sim_pop_output", 3, ARG(999), ARG(buffer), ARG(sizeof buffer)), 0);
    expect("panelink_sim_set_fault (unknown)",
           call("panelink_sim_set_fault", 3, ARG(999), ARG(PANELINK_SIM_FAULT_OPEN), ARG(1)), 0);
    call("panelink_sim_set_responder", 3, ARG(999), ARG(0), ARG(0));
    call("panelink_sim_advance_ms", 1, ARG(5));
    call("panelink_sim_reset", 0);
    expect("panelink_sim_enable", call("panelink_sim_enable", 1, ARG(1)), 1);

    static DeviceRecord records[129];
    int32_t count = -1;
    expect("DetectHID (empty virtual bus)",
           call("DetectHID", 3, ARG(&count), ARG(records), ARG(PANELINK_MODE_STANDARD)), 0);
    check(count == 0, "an empty virtual bus gives a count of 0");
}

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : "panelink.dll";
    library = LoadLibraryA(path);
    if (library == NULL) {
        printf("FAILED: cannot load %s (error %lu)\n", path, (unsigned long)GetLastError());
        return 1;
    }
    version_text();
    enumeration_over_system_devices();
    exports_on_a_zeroed_record();
    board_monitor();
    virtual_board_functions();
    FreeLibrary(library);
    printf("smoke: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
