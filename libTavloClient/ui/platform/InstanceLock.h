#pragma once

#include <QString>

namespace InstanceLock {

// Where the single-instance lock file of `key` lives; it must not be the
// path of the local socket named `key`.
QString pathFor(const QString& key);

} // namespace InstanceLock
