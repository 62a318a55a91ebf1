/**
 * @mainpage panelink
 *
 * panelink gives access to the family's USB interface boards (vendor IDs 0x12DA and 0x6666):
 * boards that read switches, buttons and rotary encoders and drive LEDs, digits, LCDs and
 * dot-matrix displays. Every board is a USB HID device. The functions, records and constants are
 * in panelink.h; simulation.h adds virtual boards for working without the hardware.
 *
 * @section overview_calls The calls
 *
 * The library is a set of flat C functions. Every argument is either a 32-bit integer
 * (byte-sized arguments use only their low 8 bits) or a pointer to a record or buffer that the
 * caller owns. Errors are reported by result values only.
 *
 * 1. Detect: DetectHID() (or DetectDevice() for one product ID) finds the board interfaces of a
 *    detection mode (#PANELINK_MODE_STANDARD and the other PANELINK_MODE_* values), opens them
 *    and fills one 848-byte DeviceRecord per interface into the caller's array, which has room
 *    for #PANELINK_MAX_DEVICES (128) records. Each record keeps its interface open: its Handle is
 *    the library's handle, its DeviceIndex its position in the array.
 * 2. Read: ReadInputData() is the polled read that never blocks, called again and again (every
 *    few milliseconds); it returns #PANELINK_READ_DECODED when a report arrived and was decoded
 *    into the caller's 512-byte input-state buffer. ReadData() waits for the next report instead
 *    (at most 1000 ms).
 * 3. Write: WriteData() sends one raw output report (at most 100 ms); the output commands
 *    (WriteDirectOutput(), WriteLCD(), WriteDisplayOutput() and the others) build the report of
 *    one command and send it through WriteData(). RetrieveStatus() asks a board which of its ports
 *    and modules are usable.
 * 4. Close: CloseDevices() closes the records' interfaces and sets their Handle to 0. A new
 *    DetectHID() does not close the handles an array held before.
 *
 * @code{.c}
 * DeviceRecord devices[PANELINK_MAX_DEVICES];
 * int32_t count = 0;
 * if (DetectHID(&count, devices, PANELINK_MODE_STANDARD)) {
 *     uint8_t inputs[PANELINK_INPUT_STATES_SIZE];
 *     if (ReadInputData(&devices[0], inputs, 0) == PANELINK_READ_DECODED) { ... }
 * }
 * CloseDevices((uint32_t)count, devices);
 * @endcode
 *
 * @section overview_buffers Buffers
 *
 * Records and buffers belong to the caller. No function allocates memory for its caller or keeps
 * a pointer to caller memory after it returns (the one exception is the responder context of the
 * virtual boards, panelink_sim_set_responder()). Pointers are read or written only for the
 * lengths each function names; panelink_version() returns static text.
 *
 * @section overview_threads Threads
 *
 * Every function may be called from several threads at once. The rules:
 *
 * - Calls on different boards never wait for each other. A blocking call (ReadData() up to
 *   1000 ms, WriteData() and the output commands up to 100 ms, RetrieveStatus()) holds up no
 *   call on another board; the library holds no lock while it waits for a board.
 * - Calls on the same board may overlap. Each ends as documented; reports are not split
 *   between them: each input report goes to one read, and each output report reaches the board
 *   whole. Writes to one board take turns, each within its own 100 ms. RetrieveStatus() reads
 *   the board's replies as input reports, so a read of the same board at the same time may take
 *   one of them (the port then reads as not answering).
 * - DetectHID() and DetectDevice() take turns with each other (the detection log is one per
 *   process, and each log file is written by one enumeration at a time); calls on boards already
 *   open go on meanwhile. The record array an enumeration fills must not be used by another
 *   thread until it has returned.
 * - ReadInputData() keeps one outstanding read per DeviceIndex position, not per thread.
 *   Polls of the same position take turns (safely), but they share that read: a report goes to
 *   whichever poll sees it first, and a poll with another Handle in the same position abandons
 *   the read of the one before. Keep each position's polls on one thread, and the polls of
 *   different positions cost each other nothing.
 * - CloseDevices() may race any call on the records it closes. It clears each Handle
 *   atomically and closes the handle at once: a call already under way on the board ends as it
 *   would have (a blocking ReadData() may still deliver a report, up to its time-out), the board
 *   is released when the last such call returns, and every call that starts after CloseDevices()
 *   has returned fails cleanly (#PANELINK_READ_FAILED, or 0 from a write), as with any closed
 *   handle. Two threads closing the same records close each handle once.
 * - Apart from CloseDevices() clearing Handle, the library only reads the caller's records
 *   (outside enumeration), so threads may share one record array. Each call's own buffers
 *   (input states, status records, reports) must not be shared with a call running at the same
 *   time.
 * - The virtual boards of simulation.h follow the same rules, and their functions may be called
 *   from any thread while the other calls go on.
 *
 * @section overview_log Detection log
 *
 * Each enumeration writes a diagnostic log ("panelink_all.log", "panelink_dev.log" or
 * "panelink_flash.log", by mode) into the current directory, or into the folder named by the
 * environment variable PANELINK_LOG_DIR when that is set and not empty (see DetectHID()).
 * On Linux and other POSIX systems the log is written only to a regular file: where a symbolic
 * link, a FIFO, a device or a folder stands at the log's path, that enumeration writes no log
 * (and goes on as usual). Control bytes in a device's texts appear in the log as "\xNN".
 *
 * @section overview_environment Environment
 *
 * PANELINK_SIMULATE, PANELINK_LOG_DIR, PANELINK_SYSFS_ROOT and PANELINK_DEV_ROOT are read from
 * the environment. In a program that runs with more privileges than its caller (set-user-ID,
 * set-group-ID or file capabilities on Linux) they all count as unset.
 */

/**
 * @file panelink.h
 * @brief The library's functions, the DeviceRecord and StatusRecord layouts and the constants.
 *
 * panelink: access to the family's USB interface boards (vendor IDs 0x12DA and 0x6666). See the
 * main page for the order of the calls, buffer ownership and threads.
 */
#ifndef PANELINK_PANELINK_H
#define PANELINK_PANELINK_H

#include <stddef.h>
#include <stdint.h>

/**
 * @name Version of this header
 * The version of this header and of the library built with it (major.minor.patch). The major
 * number is the one in the shared library's file name (libpanelink.so.1); it changes only when a
 * caller built against an older header could break. The build checks that these numbers are the
 * project's version. panelink_version() gives the version of the library that is loaded.
 */
/** @{ */
/** Major version number. */
#define PANELINK_VERSION_MAJOR 1
/** Minor version number. */
#define PANELINK_VERSION_MINOR 0
/** Patch version number. */
#define PANELINK_VERSION_PATCH 0
/** @} */

/**
 * @def PANELINK_CALL
 * Calling convention of every exported function. It is stdcall (callee pops its arguments) on
 * 32-bit Windows; other targets have one convention only, and it expands to nothing.
 */
#if defined(_WIN32) && !defined(_WIN64)
#define PANELINK_CALL __stdcall
#else
#define PANELINK_CALL
#endif

/**
 * @def PANELINK_API
 * Export marker of every exported function. On Windows a .def file keeps the names undecorated;
 * on other platforms the library is built with hidden visibility and exports exactly the names
 * marked here. For a caller it expands to nothing.
 */
#if defined(PANELINK_BUILDING) && !defined(_WIN32)
#define PANELINK_API __attribute__((visibility("default")))
#else
#define PANELINK_API
#endif

/**
 * @def PANELINK_STATIC_ASSERT
 * Compile-time check (static_assert in C++, _Static_assert in C) that holds the record layouts
 * at the end of this header to their offsets.
 * @param cond condition that must hold
 * @param msg text the compiler shows when it does not
 */
#ifdef __cplusplus
#define PANELINK_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define PANELINK_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---------------------------------------------------------------------------------------------
 * Constants
 * ------------------------------------------------------------------------------------------ */

/** Detection modes for DetectHID() / DetectDevice(). Any other value selects the standard list. */
enum {
    PANELINK_MODE_FLASH = 1,       /**< boards presenting themselves for firmware flashing */
    PANELINK_MODE_DEVICES = 2,     /**< configuration interfaces of dual-interface boards */
    PANELINK_MODE_REPORT = 3,      /**< the report-type boards 0x0800 and 0x1500 */
    PANELINK_MODE_ALL_DEVICES = 4, /**< a short list of input/output boards */
    PANELINK_MODE_STANDARD = 255   /**< the standard product list (so is 0, 5, negative, ...) */
};

/** Configuration types handed to the record filler by each detection mode. */
enum {
    /** #PANELINK_MODE_STANDARD and #PANELINK_MODE_ALL_DEVICES: IsConfigInterface 0 */
    PANELINK_CFG_STANDARD = 0,
    /** #PANELINK_MODE_FLASH: IsConfigInterface 0 */
    PANELINK_CFG_FLASH = 1,
    /** #PANELINK_MODE_DEVICES: only configuration interfaces are kept, IsConfigInterface 1 */
    PANELINK_CFG_DEVICES = 2,
    /** #PANELINK_MODE_REPORT: IsConfigInterface 1 */
    PANELINK_CFG_REPORT = 3
};

/** Result codes of ReadData() and ReadInputData(). */
enum {
    PANELINK_READ_FAILED = 1,   /**< the read failed and was abandoned */
    PANELINK_READ_DECODED = 2,  /**< a report arrived and was decoded into the caller's buffer */
    PANELINK_READ_PENDING = 3,  /**< no new report yet, a read is outstanding (ReadInputData) */
    PANELINK_READ_TIMED_OUT = 4 /**< no report within 1000 ms; the read was cancelled */
};

/** Vendor IDs of the family and the sizes of the caller's arrays. */
enum {
    PANELINK_VENDOR_ID_A = 0x12DA,    /**< first vendor ID of the family's boards */
    PANELINK_VENDOR_ID_B = 0x6666,    /**< second vendor ID of the family's boards */
    PANELINK_INPUT_STATES_SIZE = 512, /**< bytes of the caller's InputStates buffer */
    PANELINK_MAX_DEVICES = 128        /**< records one enumeration fills at the most */
};

/** How much each output command reads from the caller's pointer (see "Output commands"). */
enum {
    PANELINK_DIRECT_OUTPUT_BYTES = 15,   /**< WriteDirectOutput(): data bytes */
    PANELINK_MUX_OUTPUT_BYTES = 56,      /**< WriteMuxOutput(): data bytes */
    PANELINK_LATCHED_OUTPUT_STATES = 64, /**< WriteLatchedOutput(): one-byte states */
    PANELINK_SPI_DAC_BYTES = 40,         /**< WriteSPIDAC(): data bytes */
    PANELINK_DOT_MATRIX_BYTES = 16,      /**< WriteDotMatrix(): pattern bytes */
    PANELINK_GLCD_LINE_BYTES = 24,       /**< WriteGLCD(): bytes of each text line */
    PANELINK_CRTRWR_MAX_VALUES = 13,     /**< WriteCRTRWR(): values sent at the most */
    PANELINK_LCD_CHARS = 20              /**< WriteLCD(): characters of the text */
};

/**
 * DeviceRecord: one board interface, exactly 848 bytes, little-endian, fixed offsets.
 *
 * Enumeration fills consecutive entries of the caller's array; every other function takes a
 * pointer to one entry. Text fields hold 8-bit text in the process's current locale; use the
 * length fields (a text may fill its whole field with no terminator).
 *
 * The sixteen counts at offsets 4 to 34 describe the model: how many inputs, module ports and
 * flags of each kind it has. They come from the library's table of models (all 0 for a model it
 * does not know, and for a flashing board); a joystick interface gets only InputCount, the sum
 * of its buttons. The library itself reads only InputCount and PortCount; the others are carried
 * for the caller. Where a count names a StatusRecord block, it is that block's size on the models
 * that have it (on 0x0800: 360, 1344, 240, 240, 1536 and 96). Their order in the record is not
 * their numbering: LayoutCount11 and LayoutCount12 sit at offsets 16 and 22.
 *
 * Each field's documentation starts with its byte offset in the record.
 */
typedef struct DeviceRecord {
    /** @name Handle (offset 0) */
    /** @{ */
    uint32_t Handle; /**< 0: library handle of the open interface; 0 when closed */
    /** @} */

    /**
     * @name Model counts (offsets 4 to 35)
     * Sixteen 16-bit counts from the library's table of models (see the record's description).
     */
    /** @{ */
    int16_t InputCount;    /**<  4: digital inputs of the board (or a joystick's buttons) */
    int16_t LayoutCount2;  /**<  6: input flags of all port pairs (PairInputFlags) */
    int16_t PortCount;     /**<  8: module ports */
    int16_t LayoutCount4;  /**< 10: always 0 */
    int16_t LayoutCount5;  /**< 12: always 0 */
    int16_t LayoutCount6;  /**< 14: a capacity of the model, carried for the caller */
    int16_t LayoutCount11; /**< 16: a capacity of the model, carried for the caller */
    int16_t LayoutCount7;  /**< 18: a capacity of the model, carried for the caller */
    int16_t LayoutCount8;  /**< 20: a capacity of the model, carried for the caller */
    int16_t LayoutCount12; /**< 22: a capacity of the model, carried for the caller */
    int16_t LayoutCount9;  /**< 24: type-1 module flags of all ports (Type1Flags) */
    int16_t LayoutCount10; /**< 26: a capacity of the model, carried for the caller */
    int16_t LayoutCount13; /**< 28: type-4 module flags of all ports (Type4Flags) */
    int16_t LayoutCount14; /**< 30: type-6 module flags of all ports (Type6Flags) */
    int16_t LayoutCount15; /**< 32: type-5 module flags of all ports (Type5Flags) */
    int16_t LayoutCount16; /**< 34: type-7 module flags of all ports (Type7Flags) */
    /** @} */

    /** @name Identity (offsets 36 to 44) */
    /** @{ */
    uint16_t VendorID;      /**< 36: 0x12DA or 0x6666 */
    uint16_t ProductID;     /**< 38: identifies the model */
    uint16_t VersionNumber; /**< 40: device release number (firmware version) */
    uint8_t Reserved1[3];   /**< 42: unused (zero only where a whole record was zeroed) */
    /** @} */

    /** @name Path (offsets 45 to 307) */
    /** @{ */
    char DevicePath[256];      /**< 45: interface path, at most 256 bytes, zero-filled */
    uint8_t Reserved2[3];      /**< 301: unused, as Reserved1 */
    uint32_t DevicePathLength; /**< 304: path bytes copied (0 to 256) */
    /** @} */

    /**
     * @name Texts (offsets 308 to 835)
     * 8-bit text in the process's current locale; read the length fields.
     */
    /** @{ */
    char ProductName[256];      /**< 308: product text, or the library's name for the model */
    int32_t ProductNameLength;  /**< 564: bytes of ProductName before its terminator */
    char Manufacturer[256];     /**< 568: manufacturer text, zero-filled */
    int32_t ManufacturerLength; /**< 824: bytes of Manufacturer before its terminator */
    char SerialNumber[4];       /**< 828: at most 3 characters, byte 831 always 0 */
    int32_t SerialNumberLength; /**< 832: always 3 */
    /** @} */

    /** @name Interface and reports (offsets 836 to 847) */
    /** @{ */
    uint8_t IsConfigInterface;       /**< 836: 1 for a configuration interface (found in
                                          #PANELINK_MODE_DEVICES) and for every record of
                                          #PANELINK_MODE_REPORT, else 0 */
    uint8_t Reserved3;               /**< 837: unused, as Reserved1 */
    uint16_t DeviceIndex;            /**< 838: position of the record in the caller's array */
    uint16_t InputReportByteLength;  /**< 840: report ID byte included */
    uint16_t OutputReportByteLength; /**< 842: report ID byte included */
    uint16_t Usage;                  /**< 844: top-level collection usage */
    uint16_t UsagePage;              /**< 846: top-level collection usage page */
    /** @} */
} DeviceRecord;

/**
 * StatusRecord: 5496 one-byte flags (1 = usable, 0 = not) that RetrieveStatus() fills.
 *
 * Ports are numbered 0 to 23; ports 2k and 2k + 1 form pair k. A port is active with module
 * type t (1 to 7) when PortPresent is 1, PortFault 0 and PortType t. On product 0x0800 the
 * TypeNFlags block of each port is all 1 when the port is active with type N and all 0
 * otherwise (also when its pair did not answer); Type4Flags to Type7Flags start all 1 on every
 * call, so on other products they stay 1, and Type1Flags to Type3Flags keep what the caller
 * left in them.
 *
 * Each field's documentation starts with its byte offset in the record.
 */
typedef struct StatusRecord {
    uint8_t BaseFlags[512];      /**<    0: always 1 */
    uint8_t PairInputFlags[360]; /**<  512: 30 per port pair; on 0x0800 the input flags the pair
                                      reports, 0 for a pair that did not answer */
    uint8_t PortPresent[24];     /**<  872: bit 0 of each port's status */
    uint8_t PortFault[24];       /**<  896: bit 1 of each port's status; 1 = unusable */
    uint8_t PortType[24];        /**<  920: module type, bits 2 to 5 of each port's status */
    uint8_t Reserved1[24];       /**<  944: never written */
    uint8_t ExtraFlagsA[8];      /**<  968: always 1 */
    uint8_t Reserved2[4];        /**<  976: never written */
    uint8_t ExtraFlagsB[200];    /**<  980: always 1 */
    uint8_t Type2Flags[24];      /**< 1180: 1 per port */
    uint8_t Reserved3[512];      /**< 1204: never written */
    uint8_t ClearedFlagsA[200];  /**< 1716: set to 0 on 0x0800, untouched otherwise */
    uint8_t Type3Flags[24];      /**< 1916: 1 per port */
    uint8_t Type1Flags[1344];    /**< 1940: 56 per port */
    uint8_t ClearedFlagsB[100];  /**< 3284: set to 0 on 0x0800, untouched otherwise */
    uint8_t Type4Flags[240];     /**< 3384: 10 per port */
    uint8_t Type6Flags[240];     /**< 3624: 10 per port */
    uint8_t Type5Flags[1536];    /**< 3864: 64 per port */
    uint8_t Type7Flags[96];      /**< 5400: 4 per port */
} StatusRecord;

/* ---------------------------------------------------------------------------------------------
 * Version
 * ------------------------------------------------------------------------------------------ */

/**
 * The version of the library that is loaded, as "major.minor.patch", for example "1.0.0".
 *
 * A caller compares it with the PANELINK_VERSION_MAJOR, _MINOR and _PATCH numbers of the header
 * it was built with to find out whether it runs against an older library.
 *
 * @return static text that the caller must not free or change
 */
PANELINK_API const char *PANELINK_CALL panelink_version(void);

/* ---------------------------------------------------------------------------------------------
 * Board monitor: boards that arrive and leave, without polling
 * ------------------------------------------------------------------------------------------ */

/** Open flag of panelink_monitor_open(): an arrival for each board present, before any live
 *  event. */
#define PANELINK_MONITOR_SNAPSHOT 1u

/** PanelinkBoardEvent::event: the interface was plugged in (or was present at a snapshot). */
#define PANELINK_BOARD_ARRIVED 1
/** PanelinkBoardEvent::event: the interface was unplugged. */
#define PANELINK_BOARD_LEFT 2

/** panelink_monitor_next(): an event was taken. */
#define PANELINK_MONITOR_EVENT 1
/** panelink_monitor_next(): the time-out passed with no event. */
#define PANELINK_MONITOR_TIMEOUT 0
/** panelink_monitor_next(): the monitor is closed (also when another thread closed it during
 *  the wait) or was never opened. */
#define PANELINK_MONITOR_CLOSED (-1)
/** panelink_monitor_next(): a null event pointer. */
#define PANELINK_MONITOR_BAD_ARGUMENT (-2)

/** panelink_monitor_next(): wait as long as it takes. */
#define PANELINK_WAIT_FOREVER 0xFFFFFFFFu

/** Bytes of PanelinkBoardEvent::path: a path of up to 256 bytes and its terminator. */
#define PANELINK_EVENT_PATH_BYTES 260
/** Bytes of PanelinkBoardEvent::serial: a serial number text and its terminator. */
#define PANELINK_EVENT_SERIAL_BYTES 128

/**
 * One board interface that arrived or left (600 bytes, the same on every target).
 *
 * A departure carries exactly the identity of the interface's arrival, although the device is
 * gone by then. Only the family's boards (vendor IDs 0x12DA and 0x6666, flashing identities
 * included) produce events.
 */
typedef struct PanelinkBoardEvent {
    int32_t event;            /**< 0: #PANELINK_BOARD_ARRIVED or #PANELINK_BOARD_LEFT */
    uint16_t vendor_id;       /**< 4: as DeviceRecord VendorID */
    uint16_t product_id;      /**< 6: as DeviceRecord ProductID */
    uint16_t version;         /**< 8: device release number, as DeviceRecord VersionNumber */
    uint8_t config_interface; /**< 10: 1 for a configuration interface, as IsConfigInterface */
    uint8_t opened;           /**< 11: 1 when the interface opened for reading and writing as it
                                   arrived; 0 when it could not be opened (see `error`) */
    uint32_t error;           /**< 12: the system's error code when `opened` is 0, else 0 */
    char path[PANELINK_EVENT_PATH_BYTES];     /**< 16: interface path as DeviceRecord DevicePath
                                                   gets it, zero-terminated */
    char serial[PANELINK_EVENT_SERIAL_BYTES]; /**< 276: serial number text (the multibyte
                                                   form, zero-terminated); empty when the
                                                   interface gives none */
    uint8_t reserved[196];                    /**< 404: zero */
} PanelinkBoardEvent;

/**
 * Opens a board monitor: a queue of the arrivals and departures of board interfaces from now
 * on.
 *
 * Any number of monitors may be open at once, on any threads; each gets every event. The
 * library follows the system's device notifications while a monitor is open (on Linux the
 * kernel's device events, after udev has set up the node where udev runs; on Windows the
 * plug-and-play notifications; with virtual boards, panelink_sim_add() and panelink_sim_remove()).
 * It costs nothing while no board comes or goes, and no code of the caller's ever runs on a
 * thread of the library's.
 *
 * Example: keep a list of the boards from the events alone.
 * @code
 *   uint32_t monitor = panelink_monitor_open(PANELINK_MONITOR_SNAPSHOT);
 *   PanelinkBoardEvent event;
 *   while (panelink_monitor_next(monitor, &event, PANELINK_WAIT_FOREVER) ==
 *          PANELINK_MONITOR_EVENT) {
 *       if (event.event == PANELINK_BOARD_ARRIVED)
 *           printf("arrived %04X:%04X %s\n", event.vendor_id, event.product_id, event.path);
 *       else
 *           printf("left    %04X:%04X %s\n", event.vendor_id, event.product_id, event.path);
 *   }
 *   panelink_monitor_close(monitor);
 * @endcode
 *
 * @param flags 0, or #PANELINK_MONITOR_SNAPSHOT: the queue starts with an arrival for each
 *              board present, each exactly once and before any live event
 * @return the monitor's id (> 0), or 0 when the system's notifications cannot be had or a flag
 *         is unknown
 */
PANELINK_API uint32_t PANELINK_CALL panelink_monitor_open(uint32_t flags);

/**
 * Takes the next event of a monitor, waiting at most `timeout_ms` for one.
 *
 * @param monitor the id from panelink_monitor_open()
 * @param event receives the event; untouched unless #PANELINK_MONITOR_EVENT is returned
 * @param timeout_ms 0 to just look, up to #PANELINK_WAIT_FOREVER
 * @return #PANELINK_MONITOR_EVENT, #PANELINK_MONITOR_TIMEOUT, #PANELINK_MONITOR_CLOSED (also at
 *         once for a thread waiting when another closes the monitor) or
 *         #PANELINK_MONITOR_BAD_ARGUMENT
 */
PANELINK_API int32_t PANELINK_CALL panelink_monitor_next(uint32_t monitor,
                                                         PanelinkBoardEvent *event,
                                                         uint32_t timeout_ms);

/**
 * What an event loop waits on for a monitor, instead of a thread of its own.
 *
 * On POSIX a file descriptor that is readable while the monitor holds an event (for
 * QSocketNotifier, select(), poll(), Python's selectors); on Windows an event HANDLE that is
 * signalled while the monitor holds an event (WaitForMultipleObjects, QWinEventNotifier). Take
 * the events with panelink_monitor_next() and a time-out of 0; never read from or reset it
 * yourself. It belongs to the monitor and is closed with it.
 *
 * @param monitor the id from panelink_monitor_open()
 * @return the descriptor or handle, or -1 for a monitor that is not open
 */
PANELINK_API intptr_t PANELINK_CALL panelink_monitor_wait_handle(uint32_t monitor);

/**
 * Closes a monitor. Threads waiting on it in panelink_monitor_next() return
 * #PANELINK_MONITOR_CLOSED at once; events still queued are dropped.
 *
 * @param monitor the id from panelink_monitor_open()
 * @return 1, or 0 for a monitor that is not open
 */
PANELINK_API int32_t PANELINK_CALL panelink_monitor_close(uint32_t monitor);

/* ---------------------------------------------------------------------------------------------
 * Enumeration
 * ------------------------------------------------------------------------------------------ */

/**
 * Finds every board interface that `mode` accepts, opens it and fills one record per interface.
 *
 * Entry n of `devices` is at byte 848 * n and gets DeviceIndex n. At most PANELINK_MAX_DEVICES
 * (128) records are filled; the array must have room for that many (a further accepted interface
 * is closed again and the log says "Device limit reached : 128"). Writes a new diagnostic log
 * ("panelink_all.log", "panelink_dev.log" or "panelink_flash.log", by mode; a log that cannot be
 * created does not stop the search). The log goes into the folder named by the environment
 * variable PANELINK_LOG_DIR, which must exist (it is not created; no log is written otherwise),
 * or into the current directory when that is unset or empty.
 *
 * Entries from `count` on are not filled, but the one right after the last filled entry may have
 * been zeroed (a rejected interface was tried in it). Handles held by the array before are not
 * closed: call CloseDevices().
 *
 * @param count receives the number of records filled; left untouched when the system cannot
 *              list its HID interfaces
 * @param devices the caller's array of at least PANELINK_MAX_DEVICES records
 * @param mode detection mode, one of the PANELINK_MODE_* values (any other value selects
 *             #PANELINK_MODE_STANDARD)
 * @return 1 when at least one record was filled, else 0 (also for a null pointer, in which case
 *         nothing is written)
 */
PANELINK_API int32_t PANELINK_CALL DetectHID(int32_t *count, DeviceRecord *devices, int32_t mode);

/**
 * As DetectHID(), but considers only interfaces of one product ID, and appends to the log file
 * instead of replacing it.
 *
 * @param count receives the number of records filled, as for DetectHID()
 * @param devices the caller's array of at least PANELINK_MAX_DEVICES records
 * @param product_id the product ID to look for (a value outside 0 to 0xFFFF finds nothing)
 * @param mode detection mode, as for DetectHID()
 * @return 1 when at least one record was filled, else 0 (also for a null pointer)
 */
PANELINK_API int32_t PANELINK_CALL DetectDevice(int32_t *count, DeviceRecord *devices,
                                                int32_t product_id, int32_t mode);

/**
 * Closes the handles of the first `number` records and sets their Handle to 0.
 *
 * Records whose Handle is already 0 are left alone. May run while other threads call functions
 * on the same records: it does not wait for their calls, which end as they would have, and
 * every call that starts after it has returned fails as on any closed handle (see the main page,
 * Threads).
 *
 * @param number how many records, from the first (0: none); must not exceed the array's length
 * @param devices the records (a null pointer is not touched)
 * @return always 1
 */
PANELINK_API int32_t PANELINK_CALL CloseDevices(uint32_t number, DeviceRecord *devices);

/* ---------------------------------------------------------------------------------------------
 * Input reports and raw output reports
 * ------------------------------------------------------------------------------------------ */

/**
 * @name Input reports and raw output reports
 *
 * `input_states` is the caller's buffer of PANELINK_INPUT_STATES_SIZE (512) bytes, one byte per
 * input. A decode writes it as follows:
 *   - joystick interface (Usage 4, UsagePage 1): all 512 bytes cleared, then 1 for each pressed
 *     button, at its position counted from the first button;
 *   - any other board, packed = 0: bit j of report data byte i (LSB first) as 0 or 1 at position
 *     8 * i + j, so a report of n bytes (report ID included) writes positions 0 to 8 * (n - 1) - 1;
 *   - any other board, packed != 0: report data byte i as it is at position i.
 *
 * Positions a board report does not reach keep their previous values. The report ID byte is not
 * decoded. Every decode discards the input reports the board queued behind the decoded one.
 *
 * Reads need InputReportByteLength between 2 and 65 (report ID plus at most 64 data bytes); any
 * other length fails with nothing read or written.
 */
/** @{ */

/**
 * Reads the next input report, waiting at most 1000 ms, and decodes it in packed form (joystick
 * interfaces as every decode does, see above).
 *
 * @param device the board's record
 * @param input_states the caller's 512-byte buffer; written only for #PANELINK_READ_DECODED
 * @return #PANELINK_READ_DECODED (2);
 *         #PANELINK_READ_TIMED_OUT (4): the read was cancelled, buffer untouched;
 *         #PANELINK_READ_FAILED (1): null pointer, closed or unknown handle, unsupported report
 *         length, board gone, the wait failed, or the report that came could not be decoded
 *         (the board's report descriptor could not be had); buffer untouched
 */
PANELINK_API int32_t PANELINK_CALL ReadData(DeviceRecord *device, uint8_t *input_states);

/**
 * Polled read that never blocks, meant to be called again and again (every few milliseconds).
 *
 * The library keeps one outstanding read per DeviceIndex (0 to 127). The first call for a
 * device, or the first after a failure, a time-out or a change of the record's Handle, starts the
 * read and returns #PANELINK_READ_PENDING. Only #PANELINK_READ_DECODED writes to `input_states`.
 *
 * Threads: polls of different DeviceIndex positions run side by side without waiting for each
 * other or for any blocking call. A position's polls belong to one thread at a time: polls of
 * the same position from several threads take turns and share its one outstanding read (see
 * the main page). A CloseDevices() of the record's handle on another thread is safe at any
 * moment: the poll under way ends with one of the results below, and every later poll of the
 * record returns #PANELINK_READ_FAILED.
 *
 * @param device the board's record; its DeviceIndex selects the outstanding read
 * @param input_states the caller's 512-byte buffer
 * @param packed 0: one input per bit, spread over one byte each; nonzero: report bytes as they
 *               are (joystick interfaces ignore it)
 * @return
 *   - #PANELINK_READ_PENDING (3): no new report yet (also when the call started the read);
 *   - #PANELINK_READ_DECODED (2): a report arrived and was decoded into `input_states` (packed
 *     or not, as described above); the next read is already started;
 *   - #PANELINK_READ_TIMED_OUT (4): no report came within 1000 ms of the read's start; the read
 *     was cancelled and the next call starts a new one;
 *   - #PANELINK_READ_FAILED (1): null pointer, DeviceIndex 128 or above, unsupported report
 *     length, closed or unknown handle, the board is gone, the wait failed, or the report that
 *     came could not be decoded (the board's report descriptor could not be had); the buffer is
 *     untouched.
 */
PANELINK_API int32_t PANELINK_CALL ReadInputData(DeviceRecord *device, uint8_t *input_states,
                                                 int32_t packed);

/**
 * Sends one raw output report, waiting at most 100 ms for the board to take it.
 *
 * A failed or timed-out write leaves the board usable. On Linux a report the board has not taken
 * within the 100 ms stays with the system until the board takes it or the system gives up (at
 * most 5 s); meanwhile each further WriteData() to the same board waits for it within its own
 * 100 ms and returns 0 if it is still there.
 *
 * @param device the board's record
 * @param report exactly OutputReportByteLength bytes (byte 0 is the report ID, 0 for the
 *               family's boards), so the buffer must hold at least that many
 * @return OutputReportByteLength when it was written, 0 otherwise (time-out, null pointer,
 *         OutputReportByteLength 0, closed or unknown handle, board gone, the system refused the
 *         report)
 */
PANELINK_API int32_t PANELINK_CALL WriteData(DeviceRecord *device, const uint8_t *report);

/** @} */

/* ---------------------------------------------------------------------------------------------
 * Board status
 * ------------------------------------------------------------------------------------------ */

/**
 * Fills `status` with the board's usable ports, modules and flag blocks (1 = usable).
 *
 * Every call first writes the fixed initial flags; then product 0x0800 queries its ports two at
 * a time (at most 24 ports, PortCount of them rounded up to a pair) and product 0x0910, on its
 * configuration interface (IsConfigInterface 1), asks for the status of its two ports. A port
 * whose query gets no answer within ReadData's 1000 ms reads as absent and faulty, with its flags
 * cleared. Blocks the caller while it exchanges reports: each exchange takes at most 100 ms for
 * the request and 1000 ms for the reply, so up to 2.2 s per port pair (about 26 s for 24).
 *
 * @param device the board's record
 * @param status the caller's record; bytes outside the blocks a board uses keep what the caller
 *               left in them, and a null pointer leaves everything untouched
 * @return always 1 (the result carries no information)
 */
PANELINK_API int32_t PANELINK_CALL RetrieveStatus(DeviceRecord *device, StatusRecord *status);

/* ---------------------------------------------------------------------------------------------
 * Output commands
 * ------------------------------------------------------------------------------------------ */

/**
 * @name Output commands
 *
 * Each call builds one output report and sends it with WriteData(), returning WriteData's result:
 * the record's OutputReportByteLength when the board took the report, else 0. They also return
 * 0, sending nothing, for a null record, for a null data pointer where the command needs data,
 * and for a record whose OutputReportByteLength exceeds 68 bytes.
 *
 * `port` addresses a module: its low 8 bits, where ports 2k and 2k + 1 form pair k. Byte-sized
 * arguments (port, parameter, command, position, selector, value, count, start index) use only
 * their low 8 bits. `parameter` is passed to the board unchanged. Data pointers are read for
 * exactly the lengths given, whatever their contents (no terminators are looked for).
 */
/** @{ */

/**
 * Direct digital outputs.
 *
 * @param device the board's record
 * @param port the module's port
 * @param data #PANELINK_DIRECT_OUTPUT_BYTES (15) bytes, sent as they are
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteDirectOutput(DeviceRecord *device, int32_t port,
                                                     const uint8_t *data);

/**
 * Multiplexed digital outputs.
 *
 * @param device the board's record
 * @param port the module's port
 * @param data #PANELINK_MUX_OUTPUT_BYTES (56) bytes, sent as they are
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteMuxOutput(DeviceRecord *device, int32_t port,
                                                  const uint8_t *data);

/**
 * Latched digital outputs: 64 one-byte states sent as 8 bytes, state 0 in the lowest bit of the
 * first.
 *
 * @param device the board's record
 * @param port the module's port
 * @param states #PANELINK_LATCHED_OUTPUT_STATES (64) bytes, each 0 or 1 (a state above 1 also
 *               sets neighbouring bits of its byte)
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteLatchedOutput(DeviceRecord *device, int32_t port,
                                                      const uint8_t *states, int32_t parameter);

/**
 * SPI digital-to-analogue converter.
 *
 * @param device the board's record
 * @param port the module's port
 * @param data #PANELINK_SPI_DAC_BYTES (40) bytes, sent as they are
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteSPIDAC(DeviceRecord *device, int32_t port,
                                               const uint8_t *data, int32_t parameter);

/**
 * Graphic LCD: one command byte.
 *
 * @param device the board's record
 * @param port the module's port
 * @param parameter passed to the board unchanged
 * @param command the command byte
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL CmdGLCD(DeviceRecord *device, int32_t port, int32_t parameter,
                                           int32_t command);

/**
 * Graphic LCD text: lines of 24 bytes at a position.
 *
 * @param device the board's record
 * @param port the module's port
 * @param position the position byte: where the text goes
 * @param line_count number of lines, at most 2 (a larger count sends 2)
 * @param parameter passed to the board unchanged
 * @param text line_count * #PANELINK_GLCD_LINE_BYTES (24) bytes (not terminated); null sends
 *             spaces
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteGLCD(DeviceRecord *device, int32_t port, int32_t position,
                                             int32_t line_count, int32_t parameter,
                                             const char *text);

/**
 * Dot-matrix display: 16 pattern bytes.
 *
 * @param device the board's record
 * @param port the module's port
 * @param patterns #PANELINK_DOT_MATRIX_BYTES (16) bytes, sent as they are
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteDotMatrix(DeviceRecord *device, int32_t port,
                                                  const uint8_t *patterns, int32_t parameter);

/**
 * CRT/RWR display: `value` plus values[start_index] to values[start_index + count - 1], at most
 * 13 values, each sent as 4 bytes, least significant first.
 *
 * @param device the board's record
 * @param port the module's port
 * @param value one byte sent before the values
 * @param count number of values (a larger count than #PANELINK_CRTRWR_MAX_VALUES, 13, sends 13)
 * @param start_index index of the first value sent (0 to 255)
 * @param values the caller's array; may be null when count is 0
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteCRTRWR(DeviceRecord *device, int32_t port, int32_t value,
                                               int32_t count, int32_t start_index,
                                               const int32_t *values);

/**
 * The board's own seven-segment digits.
 *
 * @param device the board's record
 * @param bytes 2 bytes, passed through
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL Write7Segment(DeviceRecord *device, const uint8_t *bytes);

/**
 * Clears the character LCD.
 *
 * @param device the board's record
 * @param unused not read
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL ClearLCD(DeviceRecord *device, int32_t unused);

/**
 * Character LCD: exactly 20 characters.
 *
 * @param device the board's record
 * @param unused not read
 * @param selector goes to the board unchanged
 * @param text #PANELINK_LCD_CHARS (20) characters (a shorter text must still be readable for 20
 *             bytes), or null for 20 spaces
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteLCD(DeviceRecord *device, int32_t unused, int32_t selector,
                                            const char *text, int32_t parameter);

/** @} */

/* ---------------------------------------------------------------------------------------------
 * Seven-segment text
 * ------------------------------------------------------------------------------------------ */

/**
 * @name Seven-segment text
 *
 * Numeric text shown right-aligned: the last character lands in the rightmost digit and a "."
 * lights the decimal point of the character on its left. Like the output commands, each call
 * returns WriteData's result, or 0 without sending for a null record or text.
 */
/** @{ */

/**
 * Up to 7 digits on the module at `port`.
 *
 * Characters left of the seventh digit are not shown. A "." at the very end lights nothing and
 * leaves the rightmost digit blank.
 *
 * @param device the board's record
 * @param port the module's port
 * @param text zero-terminated: "0" to "9", "-" (minus), " " (blank digit) and "."; any other
 *             character shows as 0
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteDisplayOutput(DeviceRecord *device, int32_t port,
                                                      const char *text, int32_t parameter);

/**
 * The TANDEM display, from a 22-byte layout.
 *
 * Bytes 0-8 are group 1 and bytes 9-17 group 2, each a zero-terminated text of up to 4 digits,
 * read no further than its 9 bytes ("0"-"9", "-", "L", "P", "=", "r", " " and "."). Byte 18 is
 * the pattern number of the single digit (0-9 digits, 10 minus, 11 L, 12 P, 13 "=", 14 blank,
 * 15 r; anything higher blank), byte 19 is unused, bytes 20-21 are passed through. Other
 * characters from ":" (0x3A) to 0x7F add nothing to their digit; other characters below "0" or
 * from 0x80 up show as 0.
 *
 * @param device the board's record
 * @param layout the 22-byte layout
 * @param parameter passed to the board unchanged
 * @return OutputReportByteLength when the board took the report, else 0
 */
PANELINK_API int32_t PANELINK_CALL WriteTANDEM(DeviceRecord *device, const char *layout,
                                               int32_t parameter);

/** @} */

/* ---------------------------------------------------------------------------------------------
 * Record layouts: every field at its documented offset, on every target.
 * ------------------------------------------------------------------------------------------ */

PANELINK_STATIC_ASSERT(sizeof(DeviceRecord) == 848, "DeviceRecord is 848 bytes");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Handle) == 0, "Handle");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, InputCount) == 4, "InputCount");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount2) == 6, "LayoutCount2");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, PortCount) == 8, "PortCount");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount4) == 10, "LayoutCount4");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount5) == 12, "LayoutCount5");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount6) == 14, "LayoutCount6");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount11) == 16, "LayoutCount11");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount7) == 18, "LayoutCount7");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount8) == 20, "LayoutCount8");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount12) == 22, "LayoutCount12");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount9) == 24, "LayoutCount9");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount10) == 26, "LayoutCount10");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount13) == 28, "LayoutCount13");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount14) == 30, "LayoutCount14");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount15) == 32, "LayoutCount15");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, LayoutCount16) == 34, "LayoutCount16");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, VendorID) == 36, "VendorID");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, ProductID) == 38, "ProductID");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, VersionNumber) == 40, "VersionNumber");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Reserved1) == 42, "Reserved1");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, DevicePath) == 45, "DevicePath");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Reserved2) == 301, "Reserved2");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, DevicePathLength) == 304, "DevicePathLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, ProductName) == 308, "ProductName");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, ProductNameLength) == 564, "ProductNameLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Manufacturer) == 568, "Manufacturer");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, ManufacturerLength) == 824, "ManufacturerLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, SerialNumber) == 828, "SerialNumber");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, SerialNumberLength) == 832, "SerialNumberLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, IsConfigInterface) == 836, "IsConfigInterface");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Reserved3) == 837, "Reserved3");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, DeviceIndex) == 838, "DeviceIndex");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, InputReportByteLength) == 840,
                       "InputReportByteLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, OutputReportByteLength) == 842,
                       "OutputReportByteLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Usage) == 844, "Usage");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, UsagePage) == 846, "UsagePage");

PANELINK_STATIC_ASSERT(sizeof(StatusRecord) == 5496, "StatusRecord is 5496 bytes");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, BaseFlags) == 0, "BaseFlags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, PairInputFlags) == 512, "PairInputFlags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, PortPresent) == 872, "PortPresent");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, PortFault) == 896, "PortFault");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, PortType) == 920, "PortType");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Reserved1) == 944, "Reserved1");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, ExtraFlagsA) == 968, "ExtraFlagsA");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Reserved2) == 976, "Reserved2");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, ExtraFlagsB) == 980, "ExtraFlagsB");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type2Flags) == 1180, "Type2Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Reserved3) == 1204, "Reserved3");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, ClearedFlagsA) == 1716, "ClearedFlagsA");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type3Flags) == 1916, "Type3Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type1Flags) == 1940, "Type1Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, ClearedFlagsB) == 3284, "ClearedFlagsB");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type4Flags) == 3384, "Type4Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type6Flags) == 3624, "Type6Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type5Flags) == 3864, "Type5Flags");
PANELINK_STATIC_ASSERT(offsetof(StatusRecord, Type7Flags) == 5400, "Type7Flags");

PANELINK_STATIC_ASSERT(sizeof(PanelinkBoardEvent) == 600, "PanelinkBoardEvent is 600 bytes");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, vendor_id) == 4, "vendor_id");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, config_interface) == 10, "config_interface");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, error) == 12, "error");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, path) == 16, "path");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, serial) == 276, "serial");
PANELINK_STATIC_ASSERT(offsetof(PanelinkBoardEvent, reserved) == 404, "reserved");

#ifdef __cplusplus
}
#endif

#endif /* PANELINK_PANELINK_H */
