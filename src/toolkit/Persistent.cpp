#include "toolkit/Persistent.h"

#include "toolkit/Exceptions.h"

TPersistent::TPersistent(QObject* parent) : QObject(parent) {}

TPersistent::~TPersistent() = default;

QString TPersistent::ClassName() const
{
    return QString::fromLatin1(metaObject()->className());
}

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(QStringLiteral("Cannot assign a nil to a %1").arg(ClassName()));
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(ClassName(), dest->ClassName()));
}
