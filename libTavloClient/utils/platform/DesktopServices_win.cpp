#include "utils/platform/DesktopServices.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace DesktopServices {

bool openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool openFolder(const QString& folder) {
    QString native = folder;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    // One argument, so a folder with spaces stays whole.
    return QProcess::startDetached(QStringLiteral("explorer"), {native});
}

} // namespace DesktopServices
