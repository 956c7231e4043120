#include "ui/platform/InstanceLock.h"

#include <QDir>

#include <unistd.h>

namespace InstanceLock {

// The local server's socket file is temp/KEY here, so the lock takes a name
// of its own.
QString pathFor(const QString& key) {
    return QDir::tempPath() + QLatin1Char('/') + key + QStringLiteral(".lock");
}

// /tmp is everybody's: each user runs a client of their own.
QString userKey(const QString& programKey) {
    return programKey + QStringLiteral("-u") + QString::number(getuid());
}

} // namespace InstanceLock
