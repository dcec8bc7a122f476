#include "transport/lnkComponent.h"

#include "transport/lnkExceptions.h"

#include <QCoreApplication>

void TPersistent::Assign(const TPersistent* Source)
{
    // Subclasses copy from their own class and pass anything else here.
    if (!Source)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Cannot assign nil."));
    throw lnkEInvalidArgument(
        QCoreApplication::translate("lnkExceptions", "Cannot assign an object of another class."));
}
