#include "ui/platform/InstanceLock.h"

#include <QDir>

namespace InstanceLock {

// Named pipes live apart from files, so the lock takes the key itself.
QString pathFor(const QString& key) {
    return QDir::tempPath() + QLatin1Char('/') + key;
}

} // namespace InstanceLock
