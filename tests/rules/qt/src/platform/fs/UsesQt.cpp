#include <string>
#include <QString>
#include <qstring.h>
#include "QtCore/qobject.h"
