/*
 * panelink: access to the family's USB interface boards (vendor IDs 0x12DA and 0x6666).
 *
 * The library is a set of flat C functions. Every argument is 32 bits wide: a pointer to a
 * record or buffer that the caller owns, or an integer (byte-sized arguments use only their low
 * 8 bits). No function allocates memory for its caller or keeps a pointer to caller memory after
 * it returns. Errors are reported by result values only.
 *
 * Typical use:
 *
 *     DeviceRecord devices[129];
 *     int32_t count = 0;
 *     if (DetectHID(&count, devices, PANELINK_MODE_STANDARD)) {
 *         uint8_t inputs[512];
 *         if (ReadInputData(&devices[0], inputs, 0) == PANELINK_READ_DECODED) { ... }
 *     }
 *     CloseDevices((uint32_t)count, devices);
 *
 * The library expects one calling thread at a time: enumeration keeps a process-wide log stream
 * while it runs and polled reads keep process-wide per-device state.
 */
#ifndef PANELINK_PANELINK_H
#define PANELINK_PANELINK_H

#include <stddef.h>
#include <stdint.h>

/* Calling convention: stdcall (callee pops its arguments) on 32-bit Windows; other targets have
 * one convention only. */
#if defined(_WIN32) && !defined(_WIN64)
#define PANELINK_CALL __stdcall
#else
#define PANELINK_CALL
#endif

/* Export marker. On Windows a .def file keeps the names undecorated; on other platforms the
 * library is built with hidden visibility and exports exactly the names marked here. */
#if defined(PANELINK_BUILDING) && !defined(_WIN32)
#define PANELINK_API __attribute__((visibility("default")))
#else
#define PANELINK_API
#endif

#ifdef __cplusplus
#define PANELINK_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define PANELINK_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---------------------------------------------------------------------------------------------
 * Constants
 * ------------------------------------------------------------------------------------------ */

/* Detection modes for DetectHID / DetectDevice. Any other value selects the standard list. */
enum {
    PANELINK_MODE_FLASH = 1,       /* boards presenting themselves for firmware flashing */
    PANELINK_MODE_DEVICES = 2,     /* configuration interfaces of dual-interface boards */
    PANELINK_MODE_REPORT = 3,      /* the report-type boards 0x0800 and 0x1500 */
    PANELINK_MODE_ALL_DEVICES = 4, /* a short list of input/output boards */
    PANELINK_MODE_STANDARD = 255   /* the standard product list (so is 0, 5, negative, ...) */
};

/* Configuration types handed to the record filler by each detection mode. */
enum {
    PANELINK_CFG_STANDARD = 0,
    PANELINK_CFG_FLASH = 1,
    PANELINK_CFG_DEVICES = 2,
    PANELINK_CFG_REPORT = 3
};

/* Result codes of ReadData and ReadInputData. */
enum {
    PANELINK_READ_FAILED = 1,    /* the read failed and was abandoned */
    PANELINK_READ_DECODED = 2,   /* a report arrived and was decoded into the caller's buffer */
    PANELINK_READ_PENDING = 3,   /* no new report yet, a read is outstanding (ReadInputData) */
    PANELINK_READ_TIMED_OUT = 4  /* no report within 1000 ms; the read was cancelled */
};

enum {
    PANELINK_VENDOR_ID_A = 0x12DA,
    PANELINK_VENDOR_ID_B = 0x6666,
    PANELINK_INPUT_STATES_SIZE = 512, /* bytes of the caller's InputStates buffer */
    PANELINK_MAX_DEVICES = 128        /* records one enumeration fills at the most */
};

/* ---------------------------------------------------------------------------------------------
 * DeviceRecord: one board interface, exactly 848 bytes, little-endian, fixed offsets.
 *
 * Enumeration fills consecutive entries of the caller's array; every other function takes a
 * pointer to one entry. Text fields hold 8-bit text in the process's current locale; use the
 * length fields (a text may fill its whole field with no terminator).
 * ------------------------------------------------------------------------------------------ */
typedef struct DeviceRecord {
    uint32_t Handle;       /*   0: library handle of the open interface; 0 when closed */
    int16_t InputCount;    /*   4: digital inputs of the board (or a joystick's buttons) */
    int16_t LayoutCount2;  /*   6 */
    int16_t PortCount;     /*   8: module ports */
    int16_t LayoutCount4;  /*  10 */
    int16_t LayoutCount5;  /*  12 */
    int16_t LayoutCount6;  /*  14 */
    int16_t LayoutCount11; /*  16 */
    int16_t LayoutCount7;  /*  18 */
    int16_t LayoutCount8;  /*  20 */
    int16_t LayoutCount12; /*  22 */
    int16_t LayoutCount9;  /*  24 */
    int16_t LayoutCount10; /*  26 */
    int16_t LayoutCount13; /*  28 */
    int16_t LayoutCount14; /*  30 */
    int16_t LayoutCount15; /*  32 */
    int16_t LayoutCount16; /*  34 */
    uint16_t VendorID;      /*  36 */
    uint16_t ProductID;     /*  38: identifies the model */
    uint16_t VersionNumber; /*  40: device release number (firmware version) */
    uint8_t Reserved1[3];   /*  42 */
    char DevicePath[256];   /*  45: interface path, at most 256 bytes, zero-filled */
    uint8_t Reserved2[3];   /* 301 */
    uint32_t DevicePathLength;    /* 304: path bytes copied (0 to 256) */
    char ProductName[256];        /* 308 */
    int32_t ProductNameLength;    /* 564 */
    char Manufacturer[256];       /* 568 */
    int32_t ManufacturerLength;   /* 824 */
    char SerialNumber[4];         /* 828: at most 3 characters, byte 831 always 0 */
    int32_t SerialNumberLength;   /* 832: always 3 */
    uint8_t IsConfigInterface;    /* 836: 1 for a configuration interface */
    uint8_t Reserved3;            /* 837 */
    uint16_t DeviceIndex;         /* 838: position of the record in the caller's array */
    uint16_t InputReportByteLength;  /* 840: report ID byte included */
    uint16_t OutputReportByteLength; /* 842: report ID byte included */
    uint16_t Usage;                  /* 844: top-level collection usage */
    uint16_t UsagePage;              /* 846: top-level collection usage page */
} DeviceRecord;

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
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, InputReportByteLength) == 840, "InputReportByteLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, OutputReportByteLength) == 842, "OutputReportByteLength");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, Usage) == 844, "Usage");
PANELINK_STATIC_ASSERT(offsetof(DeviceRecord, UsagePage) == 846, "UsagePage");

/* ---------------------------------------------------------------------------------------------
 * StatusRecord: 5496 one-byte flags (1 = usable, 0 = not) that RetrieveStatus fills.
 * Ports are numbered 0 to 23; ports 2k and 2k + 1 form pair k.
 * ------------------------------------------------------------------------------------------ */
typedef struct StatusRecord {
    uint8_t BaseFlags[512];      /*    0 */
    uint8_t PairInputFlags[360]; /*  512: 30 per port pair */
    uint8_t PortPresent[24];     /*  872: bit 0 of each port's status */
    uint8_t PortFault[24];       /*  896: bit 1 of each port's status; 1 = unusable */
    uint8_t PortType[24];        /*  920: module type, bits 2 to 5 of each port's status */
    uint8_t Reserved1[24];       /*  944 */
    uint8_t ExtraFlagsA[8];      /*  968 */
    uint8_t Reserved2[4];        /*  976 */
    uint8_t ExtraFlagsB[200];    /*  980 */
    uint8_t Type2Flags[24];      /* 1180: 1 per port */
    uint8_t Reserved3[512];      /* 1204 */
    uint8_t ClearedFlagsA[200];  /* 1716 */
    uint8_t Type3Flags[24];      /* 1916: 1 per port */
    uint8_t Type1Flags[1344];    /* 1940: 56 per port */
    uint8_t ClearedFlagsB[100];  /* 3284 */
    uint8_t Type4Flags[240];     /* 3384: 10 per port */
    uint8_t Type6Flags[240];     /* 3624: 10 per port */
    uint8_t Type5Flags[1536];    /* 3864: 64 per port */
    uint8_t Type7Flags[96];      /* 5400: 4 per port */
} StatusRecord;

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

/* ---------------------------------------------------------------------------------------------
 * Enumeration
 * ------------------------------------------------------------------------------------------ */

/* Finds every board interface that `mode` accepts, opens it and fills one record per interface
 * into `devices` (entry n at byte 848 * n, DeviceIndex n). At most PANELINK_MAX_DEVICES (128)
 * records are filled; the array must have room for that many. Stores the number filled through
 * `count` and writes a new diagnostic log ("panelink_all.log", "panelink_dev.log" or
 * "panelink_flash.log" in the current directory, by mode).
 * Returns 1 when at least one record was filled, else 0 (also for a null pointer, in which case
 * nothing is written). Handles held by the array before are not closed: call CloseDevices. */
PANELINK_API int32_t PANELINK_CALL DetectHID(int32_t *count, DeviceRecord *devices, int32_t mode);

/* As DetectHID, but considers only interfaces whose product ID equals `product_id` (a value
 * outside 0 to 0xFFFF finds nothing), and appends to the log file instead of replacing it. */
PANELINK_API int32_t PANELINK_CALL DetectDevice(int32_t *count, DeviceRecord *devices,
                                                int32_t product_id, int32_t mode);

/* Closes the handles of the first `number` records (0: none) and sets their Handle to 0.
 * Records whose Handle is already 0 are left alone. Always returns 1. */
PANELINK_API int32_t PANELINK_CALL CloseDevices(uint32_t number, DeviceRecord *devices);

#ifdef __cplusplus
}
#endif

#endif /* PANELINK_PANELINK_H */
