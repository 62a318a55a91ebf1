// The HID interface class's notices through CM_Register_Notification (Windows 8 and later). It
// is looked up in cfgmgr32.dll at run time: Wine 8's cfgmgr32.dll does not have it, and a static
// import of it would keep panelink.dll from loading there at all.
#pragma once

#include <memory>

#include "backends/win32/notice_queue.h"

namespace panelink::platform::windows {

// Registers for arrivals and removals of HID interfaces, pushed to `queue` from the system's
// notification threads. Null when the system has no such registration or refuses it.
std::unique_ptr<NoticeSource> register_cm_notifications(NoticeQueue &queue);

} // namespace panelink::platform::windows
