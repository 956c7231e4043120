#include "ui/platform/InstanceLock.h"

#include <QDir>

namespace InstanceLock {

// Named pipes live apart from files, so the lock takes the key itself.
QString pathFor(const QString& key) {
    return QDir::tempPath() + QLatin1Char('/') + key;
}

// Named pipes and the temporary folder are per session already.
QString userKey(const QString& programKey) {
    return programKey;
}

} // namespace InstanceLock
