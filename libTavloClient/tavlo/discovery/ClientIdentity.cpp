#include "tavlo/discovery/ClientIdentity.h"

#include "utils/Config.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/platform/PlatformInfo.h"

#include <QNetworkInterface>

namespace ClientIdentity {
namespace {

bool isZeroHardwareAddress(const QString& text) {
    for (const QChar c : text) {
        if (c != QLatin1Char('0') && c != QLatin1Char(':') && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

QString findUuid() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (iface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QString hw = iface.hardwareAddress();
        if (!hw.isEmpty() && !isZeroHardwareAddress(hw))
            return hw;
    }
    return QString();
}

} // namespace

QString name() {
    return Config::instance()->value(Config::ClientName).toString();
}

QString uuid() {
    static const QString cached = findUuid();
    return cached;
}

QString osName() {
    return PlatformInfo::osName();
}

QVariantMap describe() {
    QVariantMap map;
    map.insert(Protocol::NAME, name());
    map.insert(Protocol::VERSION, Protocol::V1_0);
    map.insert(Protocol::OS, osName());
    map.insert(Protocol::UUID, uuid());
    map.insert(Protocol::TYPE, Protocol::CLIENT);
    return map;
}

} // namespace ClientIdentity
