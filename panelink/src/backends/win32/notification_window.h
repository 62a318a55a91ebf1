// The HID interface class's notices through RegisterDeviceNotificationW, where
// CM_Register_Notification is missing (Wine): a message-only window on a thread of its own
// receives WM_DEVICECHANGE. user32.dll is loaded at run time, when the first such window is
// made, so that panelink.dll does not import it and a program that never watches boards does
// not load it.
#pragma once

#include <memory>

#include "backends/win32/notice_queue.h"

namespace panelink::platform::windows {

// Starts the window's thread and registers the window for arrivals and removals of HID
// interfaces, pushed to `queue` from that thread. Null with the last error set when the window
// or the registration cannot be had. Destroying the source closes the window and joins the
// thread.
std::unique_ptr<NoticeSource> start_notification_window(NoticeQueue &queue);

} // namespace panelink::platform::windows
