#include "ui/platform/InstanceLock.h"

#include <QDir>

namespace InstanceLock {

// The local server's socket file is temp/KEY here, so the lock takes a name
// of its own.
QString pathFor(const QString& key) {
    return QDir::tempPath() + QLatin1Char('/') + key + QStringLiteral(".lock");
}

} // namespace InstanceLock
