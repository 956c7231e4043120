// Where discovery sends its queries: hosts found through multicast DNS at the
// port they announced, devices added by hand at theirs. queryServers() also
// sweeps by broadcast, so CTest runs this in a network namespace of its own.
#include "common/TestSupport.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/discovery/DiscoverableService.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "utils/MetaTypes.h"

#include <QtTest>

namespace {

QByteArray answerAs(const QString& name) {
    return QStringLiteral("{\"name\":\"%1\",\"uuid\":\"%1\",\"version\":\"v1.0\"}")
        .arg(name)
        .toUtf8();
}

bool listed(const QString& address, int port) {
    for (const ServerContent& server : DiscoveryServer::instance()->servers())
        if (server.address == QHostAddress(address) && server.port == port)
            return true;
    return false;
}

} // namespace

class TestDiscoverySources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void multicastDnsHostsKeepTheirPort();
    void manualDevicesAreQueriedAtTheirPort();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestDiscoverySources::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
}

void TestDiscoverySources::multicastDnsHostsKeepTheirPort() {
    FakeDevice device("127.0.0.21", [](const QByteArray&) { return answerAs("Room-M"); });
    DiscoveryServer* server = DiscoveryServer::instance();

    // What the multicast DNS lookup reports for an announced service.
    auto* lookup = new DiscoverableService(DiscoveryServer::ServiceType, "Room-M");
    QVERIFY(QObject::connect(lookup, SIGNAL(lookuped(QHostAddress, int)), server,
                             SLOT(onLookuped(QHostAddress, int))));
    emit lookup->lookuped(QHostAddress("127.0.0.21"), device.port());
    QTRY_VERIFY(listed("127.0.0.21", device.port()));
    QCOMPARE(device.received.size(), 1);

    // A refresh asks the resolved host again, at the port it announced.
    server->queryServers();
    QTRY_COMPARE(device.received.size(), 2);

    // A removed service is asked once more at that port before it may go.
    QVERIFY(QMetaObject::invokeMethod(server, "onServiceRemoved", Q_ARG(QString, "Room-M"),
                                      Q_ARG(QString, "local")));
    QTRY_COMPARE(device.received.size(), 3);
}

void TestDiscoverySources::manualDevicesAreQueriedAtTheirPort() {
    FakeDevice device("127.0.0.22", [](const QByteArray&) { return answerAs("Manual"); });
    ServerContent manual;
    manual.address = QHostAddress("127.0.0.22");
    manual.port = device.port();
    QVERIFY(TavloClientDatabase::instance()->addManualDevice(manual));
    DiscoveryServer::instance()->queryServers();
    QTRY_VERIFY(listed("127.0.0.22", device.port()));
}

QTEST_GUILESS_MAIN(TestDiscoverySources)
#include "tst_discovery_sources.moc"
