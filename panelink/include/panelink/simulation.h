/**
 * @file simulation.h
 * @brief Virtual boards for panelink: develop and test panel software without the hardware.
 *
 * Once panelink_sim_enable() has been called (or the process was started with the environment
 * variable PANELINK_SIMULATE set, e.g. PANELINK_SIMULATE=demo for a built-in set of boards whose
 * inputs move), every panelink function works on a simulated HID bus held in the process instead
 * of the system's devices. Interfaces are plugged in with panelink_sim_add(); the board side of
 * each is driven with panelink_sim_push_input() / panelink_sim_pop_output() or a responder.
 *
 * Like the rest of the library, these functions may be called from several threads at once, also
 * while other threads use the boards (a board unplugged during a call makes that call fail as a
 * real board would). A responder runs on the thread whose write it answers, holding no lock of
 * the library, so it may call any function. They keep no pointer to caller memory after they
 * return, except the responder and its context (panelink_sim_set_responder()).
 */
#ifndef PANELINK_SIMULATION_H
#define PANELINK_SIMULATION_H

#include <stddef.h>
#include <wchar.h>

#include "panelink.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Description of one virtual HID interface. All fields are copied by panelink_sim_add(). */
typedef struct PanelinkSimInterface {
    /**
     * @var PanelinkSimInterface::vendor_id
     * vendor ID the interface reports (DeviceRecord VendorID)
     * @var PanelinkSimInterface::product_id
     * product ID the interface reports (DeviceRecord ProductID)
     * @var PanelinkSimInterface::version_number
     * device release number the interface reports (DeviceRecord VersionNumber)
     */
    uint16_t vendor_id, product_id, version_number;
    const char *path; /**< interface path text; must not be NULL */
    /**
     * @var PanelinkSimInterface::manufacturer
     * manufacturer text; NULL: that request fails
     * @var PanelinkSimInterface::product
     * product text; NULL: that request fails
     * @var PanelinkSimInterface::serial_number
     * serial number text; NULL: that request fails
     */
    const wchar_t *manufacturer, *product, *serial_number;
    const unsigned char *report_descriptor; /**< NULL, or one that does not parse: no parsed
                                                 descriptor (no report lengths, no decoding) */
    size_t report_descriptor_length;        /**< bytes of report_descriptor */
} PanelinkSimInterface;

/**
 * Sees each output report written to an interface (report ID byte first); it may answer with
 * panelink_sim_push_input().
 *
 * @param id the interface's id, as panelink_sim_add() returned it
 * @param report the report's bytes, valid only during the call
 * @param length the report's length in bytes
 * @param context the pointer given to panelink_sim_set_responder()
 */
typedef void (*PanelinkSimResponder)(int id, const unsigned char *report, size_t length,
                                     void *context);

/** Faults for panelink_sim_set_fault(). */
enum {
    PANELINK_SIM_FAULT_DETAIL = 1,    /**< fetching the interface's detail (its path) fails */
    PANELINK_SIM_FAULT_OPEN,          /**< opening fails with an access-denied error */
    PANELINK_SIM_FAULT_ATTRIBUTES,    /**< reading vendor/product/version fails */
    PANELINK_SIM_FAULT_TEXTS,         /**< each device-text request fails */
    PANELINK_SIM_FAULT_WRITE_TIMEOUT, /**< a write never completes: it times out */
    PANELINK_SIM_FAULT_READ_WAIT,     /**< waiting on a read fails */
    PANELINK_SIM_FAULT_ENUMERATION    /**< with id 0: no set of interfaces can be had */
};

/**
 * Switches the library to the simulated bus.
 *
 * @param manual_clock nonzero: time moves only by panelink_sim_advance_ms(), and a wait that
 *                     nothing ends returns at once, having advanced the clock by its time-out;
 *                     0: the clock is the real monotonic clock
 * @return 1
 */
PANELINK_API int PANELINK_CALL panelink_sim_enable(int manual_clock);

/**
 * Removes every virtual interface, clears all faults and responders, sets the clock to 0.
 *
 * After a reset, PANELINK_SIMULATE=demo no longer plugs in the demo boards: the caller builds the
 * bus.
 */
PANELINK_API void PANELINK_CALL panelink_sim_reset(void);

/**
 * Plugs in an interface. Interfaces are walked in the order they were added.
 *
 * @param iface the description, copied
 * @return the interface's id (> 0), or 0 for an invalid description (null pointer or null path)
 */
PANELINK_API int PANELINK_CALL panelink_sim_add(const PanelinkSimInterface *iface);

/**
 * Unplugs an interface; I/O on handles opened to it then fails.
 *
 * @param id the interface's id
 * @return 1, or 0 for an unknown id
 */
PANELINK_API int PANELINK_CALL panelink_sim_remove(int id);

/**
 * The board sends one input report. Reports queue until read; the queue keeps the newest 32.
 *
 * @param id the interface's id
 * @param report the report, report ID byte first (copied)
 * @param length the report's length in bytes
 * @return 1, or 0 for an unknown id or a null report
 */
PANELINK_API int PANELINK_CALL panelink_sim_push_input(int id, const unsigned char *report,
                                                       size_t length);

/**
 * Takes the oldest output report written to the interface.
 *
 * @param id the interface's id
 * @param buffer receives at most `capacity` bytes of the report (may be null when capacity is 0)
 * @param capacity bytes available at `buffer`
 * @return the report's full length, or 0 when none is left (also for an unknown id, or a null
 *         buffer with a capacity above 0)
 */
PANELINK_API size_t PANELINK_CALL panelink_sim_pop_output(int id, unsigned char *buffer,
                                                          size_t capacity);

/**
 * Installs a responder for the interface; an unknown id is ignored.
 *
 * @param id the interface's id
 * @param fn called with each output report written to the interface; NULL removes it
 * @param context handed to `fn` on each call; kept until the responder is removed
 */
PANELINK_API void PANELINK_CALL panelink_sim_set_responder(int id, PanelinkSimResponder fn,
                                                           void *context);

/**
 * The next `count` occurrences of `fault` on interface `id` fail.
 *
 * @param id the interface's id; 0 with #PANELINK_SIM_FAULT_ENUMERATION makes the whole
 *           interface walk fail
 * @param fault one of the PANELINK_SIM_FAULT_* values
 * @param count how many occurrences fail (-1: always; 0: clear)
 * @return 1, or 0 for an unknown id or fault or a count below -1
 */
PANELINK_API int PANELINK_CALL panelink_sim_set_fault(int id, int fault, int count);

/**
 * Moves the manual clock forward (see panelink_sim_enable()).
 *
 * @param ms milliseconds to advance
 */
PANELINK_API void PANELINK_CALL panelink_sim_advance_ms(unsigned ms);

#ifdef __cplusplus
}
#endif

#endif /* PANELINK_SIMULATION_H */
