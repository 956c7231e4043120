#pragma once

#include <QString>

namespace InstanceLock {

// Where the single-instance lock file of `key` lives; it must not be the
// path of the local socket named `key`.
QString pathFor(const QString& key);

// The key of one program for this user: `programKey` (made from the
// program's path) where the system keeps users apart itself, with the
// user's id added where the lock and socket live in a folder all users share.
QString userKey(const QString& programKey);

} // namespace InstanceLock
