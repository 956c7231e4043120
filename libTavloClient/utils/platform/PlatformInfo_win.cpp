#include "utils/platform/PlatformInfo.h"

#include <QOperatingSystemVersion>
#include <QSysInfo>

namespace PlatformInfo {

QString osName() {
    switch (QSysInfo::windowsVersion()) {
    case QSysInfo::WV_2000:
        return QStringLiteral("windows 2000");
    case QSysInfo::WV_XP:
        return QStringLiteral("Windows XP");
    case QSysInfo::WV_2003:
        return QStringLiteral("Windows 2003");
    case QSysInfo::WV_VISTA:
        return QStringLiteral("Windows Vista");
    case QSysInfo::WV_WINDOWS7:
        return QStringLiteral("Windows 7");
    case QSysInfo::WV_WINDOWS8:
        return QStringLiteral("Windows 8");
    default:
        return QString();
    }
}

} // namespace PlatformInfo
