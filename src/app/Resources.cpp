#include "app/Resources.h"

#include <QtGlobal>

#include <mutex>

// Outside any namespace, as the resource system's initialiser must be.
static void initFormResources()
{
    Q_INIT_RESOURCE(app_forms);
}

void EnsureAppResources()
{
    static std::once_flag once;
    std::call_once(once, initFormResources);
}
