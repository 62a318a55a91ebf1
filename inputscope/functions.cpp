#include "functions.h"

#include <algorithm>

#include <QComboBox>

#include "ApiDeclarations.h"
#include "AppDeclarations.h"
#include "frmMain.h"
#include "subs.h"
#include "texts.h"

bool ScanDevices(frmMain &form) {
    if (Api::DetectHID(&DeviceCount, &Devices[0], PANELINK_MODE_STANDARD) == 0)
        return false;
    const int count = std::clamp(DeviceCount, int32_t{0}, int32_t{kDeviceSlots});
    for (int k = 0; k < count; ++k) {
        form.Combo1->addItem(Texts::UpToNul(Texts::ListEntry(Devices[k])));
        int16_t device = static_cast<int16_t>(k);
        ShowDeviceInfo(form, device);
    }
    // Adding entries chooses none of them; the caller chooses.
    form.Combo1->setCurrentIndex(-1);
    return true;
}
