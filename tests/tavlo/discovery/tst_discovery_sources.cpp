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
    void cleanupTestCase();
    void multicastDnsHostsKeepTheirPort();
    void manualDevicesAreQueriedAtTheirPort();
    void roundsDoNotPileUp();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestDiscoverySources::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
}

void TestDiscoverySources::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
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

void TestDiscoverySources::roundsDoNotPileUp() {
    DiscoveryServer* server = DiscoveryServer::instance();
    QTRY_VERIFY(!server->isScanning());
    FakeDevice silent("127.0.0.23", [](const QByteArray&) { return QByteArray(); });
    ServerContent manual;
    manual.address = QHostAddress("127.0.0.23");
    manual.port = silent.port();
    QVERIFY(TavloClientDatabase::instance()->addManualDevice(manual));

    server->queryServers();
    QVERIFY(server->isScanning()); // the silent device keeps it waiting 2 s
    server->queryServers();        // asked for meanwhile: skipped
    QTRY_VERIFY_WITH_TIMEOUT(!server->isScanning(), 10000);
    QCOMPARE(silent.received.size(), 1);

    server->queryServers(); // the next round after that one runs
    QTRY_COMPARE(silent.received.size(), 2);
}

QTEST_GUILESS_MAIN(TestDiscoverySources)
#include "tst_discovery_sources.moc"
