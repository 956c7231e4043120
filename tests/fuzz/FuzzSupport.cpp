#include "FuzzSupport.h"

#include "utils/DataLocations.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

void silentHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

void FuzzSupport::prepare() {
    qInstallMessageHandler(silentHandler);
    // scripts/fuzz runs every target in a scratch folder of its own.
    const QString data = QDir::current().filePath(QStringLiteral("fuzz-data"));
    QDir().mkpath(data);
    DataLocations::setDataDirectory(data);
    MetaTypes::registerAll();
}

QByteArray FuzzSupport::bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), int(size));
}

QVariantMap FuzzSupport::parse(const QByteArray& datagram, bool& ok) {
    return QtJson::parse(QString::fromUtf8(datagram.constData(), datagram.size()), ok).toMap();
}

void FuzzSupport::fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
