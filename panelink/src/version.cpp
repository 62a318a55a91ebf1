#include <panelink/panelink.h>

#define PANELINK_TEXT(x) #x
#define PANELINK_NUMBER_TEXT(x) PANELINK_TEXT(x)

// Built from the header's numbers, so the text and the macros a caller compiles with agree.
extern "C" PANELINK_API const char *PANELINK_CALL panelink_version(void) {
    return PANELINK_NUMBER_TEXT(PANELINK_VERSION_MAJOR) "." PANELINK_NUMBER_TEXT(
        PANELINK_VERSION_MINOR) "." PANELINK_NUMBER_TEXT(PANELINK_VERSION_PATCH);
}
