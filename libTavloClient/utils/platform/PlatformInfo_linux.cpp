#include "utils/platform/PlatformInfo.h"

namespace PlatformInfo {

// Devices know Windows versions by name only; any other system is announced
// with an empty name, as later Windows versions are.
QString osName() {
    return QString();
}

} // namespace PlatformInfo
