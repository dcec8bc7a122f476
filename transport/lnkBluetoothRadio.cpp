#include "transport/lnkBluetoothRadio.h"

#include "transport/lnkExceptions.h"

#include <QCoreApplication>

void TlnkBluetoothRadio::Assign(const TPersistent* Source)
{
    if (!Source)
        throw lnkEInvalidArgument(
            QCoreApplication::translate("lnkExceptions", "Radio parameter is not valid."));
    if (const auto* radio = dynamic_cast<const TlnkBluetoothRadio*>(Source)) {
        api_ = radio->api_;
        return;
    }
    TPersistent::Assign(Source);
}
