#include "utils/platform/DesktopServices.h"

#include <QDesktopServices>
#include <QUrl>

namespace DesktopServices {

bool openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The desktop's file manager is whatever handles folder URLs.
bool openFolder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace DesktopServices
