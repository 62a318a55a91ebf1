/* Stands in for the C runtime's <wchar.h>, which Debian has not for the MSVC target:
 * panelink/simulation.h needs only wchar_t from it, which <stddef.h> (the compiler's own)
 * defines. An MSVC installation has the real header. */
#ifndef PANELINK_TEST_WCHAR_H
#define PANELINK_TEST_WCHAR_H
#include <stddef.h>
#endif
