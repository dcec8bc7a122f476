#include "transport/lnkComponent.h"

#include "transport/lnkExceptions.h"

void TPersistent::Assign(const TPersistent* Source)
{
    // Subclasses copy from their own class and pass anything else here.
    if (!Source)
        throw lnkEInvalidArgument(QStringLiteral("Cannot assign nil."));
    throw lnkEInvalidArgument(QStringLiteral("Cannot assign an object of another class."));
}
