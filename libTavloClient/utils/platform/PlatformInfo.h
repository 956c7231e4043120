#pragma once

#include <QString>

namespace PlatformInfo {

// The PC's operating system name as the device protocols spell it; empty for
// systems the devices have no name for.
QString osName();

} // namespace PlatformInfo
