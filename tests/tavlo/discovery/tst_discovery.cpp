#include "common/TestSupport.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

ServerContent device(const QString& ip, const QString& name, qint64 lastSeen) {
    ServerContent s;
    s.address = QHostAddress(ip);
    s.name = name;
    s.uuid = "uuid-" + ip;
    s.type = "server";
    s.version = "v1.0";
    s.valid = true;
    s.lastSeen = lastSeen;
    s.addSupport("Glimmer : 5000");
    return s;
}

struct QueryOutcome {
    ServerContent record;
    bool valid = false;
    int reports = 0;
};

// Runs one query on another thread while this one keeps the fake device
// answering.
QueryOutcome runQuery(const QHostAddress& address, quint16 port) {
    QueryOutcome outcome;
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        DiscoveryServer::ServerInfoGetter getter(nullptr, address, port);
        getter.query([&](const ServerContent& server, bool valid, bool) {
            outcome.record = server;
            outcome.valid = valid;
            ++outcome.reports;
        });
        done = true;
    }));
    worker->start();
    QElapsedTimer clock;
    clock.start();
    while (!done.load() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker->wait();
    return outcome;
}

const QByteArray DeviceReply =
    R"({"name":"Room 7","version":"v2.1","os":"Android","uuid":"dev-7","support":["file_upload","Glimmer : 5000"]})";

} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void parsesReplies();
    void queryRequestBytes();
    void clientUuidIsARealHardwareAddress();
    void tableAddsRefreshesAndReportsChanges();
    void failedQueriesAndExpiry();
    void sweepEndClearsExpiredDevices();
    void unicastQueryChecksTheSender();
    void unicastQueryWithoutAnswer();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestDiscovery::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
}

void TestDiscovery::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

void TestDiscovery::init() {
    // Every case starts from an empty table.
    DiscoveryServer* server = DiscoveryServer::instance();
    for (ServerContent stale : server->servers()) {
        stale.lastSeen = 0; // long silent, then a failed query
        server->onQueryServerResult(stale, true, false);
        server->onQueryServerResult(stale, false, false);
    }
    QVERIFY(server->servers().isEmpty());
}

void TestDiscovery::parsesReplies() {
    DiscoveryServer::ServerInfoGetter getter(nullptr, QHostAddress("10.0.0.9"), 16030);
    bool ok = false;
    const qint64 before = now();
    ServerContent record =
        getter.getServerContent(DeviceReply.constData(), quint64(DeviceReply.size()), ok);
    QVERIFY(ok);
    QVERIFY(record.valid);
    QCOMPARE(record.address, QHostAddress("10.0.0.9"));
    QCOMPARE(record.port, 16030);
    QCOMPARE(record.name, QString("Room 7"));
    QCOMPARE(record.type, QString("server")); // absent type
    QCOMPARE(record.supports, QStringList{"file_upload"});
    QCOMPARE(record.supportPort("Glimmer").port, 5000);
    QVERIFY(record.lastSeen >= before);

    // JSON that is not an object still makes a valid, empty record.
    const QByteArray list = "[1,2]";
    record = getter.getServerContent(list.constData(), quint64(list.size()), ok);
    QVERIFY(ok);
    QVERIFY(record.valid);
    QCOMPARE(record.name, QString());

    LogCapture log;
    const QByteArray garbage = "not json at all";
    record = getter.getServerContent(garbage.constData(), quint64(garbage.size()), ok);
    QVERIFY(!ok);
    QVERIFY(!record.valid);
    QVERIFY(record.address.isNull());
    QVERIFY(log.contains("[E][DiscoveryServer] Parse json error."));
}

void TestDiscovery::queryRequestBytes() {
    QVERIFY(Config::instance()->setValue(Config::ClientName, QStringLiteral("会议室 PC")));
    bool ok = false;
    const QByteArray request = DiscoveryServer::ServerInfoGetter::queryRequest(ok);
    QVERIFY(ok);
    const QByteArray expected = QStringLiteral("{ \"name\" : \"会议室 PC\", \"os\" : \"%1\", "
                                               "\"type\" : \"client\", \"uuid\" : \"%2\", "
                                               "\"version\" : \"v1.0\" }")
                                    .arg(ClientIdentity::osName(), ClientIdentity::uuid())
                                    .toUtf8();
    QCOMPARE(request, expected);
}

void TestDiscovery::clientUuidIsARealHardwareAddress() {
    const QString uuid = ClientIdentity::uuid();
    bool hasCandidate = false;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        if (!iface.flags().testFlag(QNetworkInterface::IsLoopBack) &&
            !iface.hardwareAddress().isEmpty() && iface.hardwareAddress() != "00:00:00:00:00:00")
            hasCandidate = true;
    }
    if (!hasCandidate)
        QSKIP("this machine has no interface with a hardware address");
    QVERIFY(!uuid.isEmpty());
    QVERIFY(uuid != "00:00:00:00:00:00");
    QCOMPARE(ClientIdentity::uuid(), uuid); // computed once
}

void TestDiscovery::tableAddsRefreshesAndReportsChanges() {
    DiscoveryServer* server = DiscoveryServer::instance();
    QSignalSpy found(server, &DiscoveryServer::serverDiscoveried);
    QSignalSpy gone(server, &DiscoveryServer::serverDisappeared);

    server->onQueryServerResult(device("10.0.0.2", "A", now()), true, false);
    QCOMPARE(found.count(), 1);

    // The same device answering the sweep and a unicast query is one entry.
    ServerContent again = device("10.0.0.2", "A", now());
    again.version = "v9"; // version changes are stored without a signal
    server->onQueryServerResult(again, true, false);
    QCOMPARE(found.count(), 1);
    QCOMPARE(gone.count(), 0);
    QCOMPARE(server->servers().size(), 1);
    QCOMPARE(server->servers().first().version, QString("v9"));

    server->onQueryServerResult(device("10.0.0.2", "A-renamed", now()), true, false);
    QCOMPARE(gone.count(), 1);
    QCOMPARE(gone.last().at(0).value<ServerContent>().name, QString("A"));
    QCOMPARE(found.count(), 2);
    QCOMPARE(found.last().at(0).value<ServerContent>().name, QString("A-renamed"));

    ServerContent newPort = device("10.0.0.2", "A-renamed", now());
    newPort.supportPorts["Glimmer"].port = 5001;
    server->onQueryServerResult(newPort, true, false);
    QCOMPARE(gone.count(), 2);
    QCOMPARE(found.count(), 3);
}

void TestDiscovery::failedQueriesAndExpiry() {
    DiscoveryServer* server = DiscoveryServer::instance();
    QSignalSpy gone(server, &DiscoveryServer::serverDisappeared);
    server->onQueryServerResult(device("10.0.0.3", "Quiet", now() - 10000), true, false);

    ServerContent failed;
    failed.address = QHostAddress("10.0.0.3");
    server->onQueryServerResult(failed, false, false);
    QCOMPARE(gone.count(), 0); // heard from 10 s ago: survives

    // A reply that did not parse carries no address and counts for nobody.
    server->onQueryServerResult(ServerContent(), false, false);
    QCOMPARE(server->servers().size(), 1);

    server->onQueryServerResult(device("10.0.0.3", "Quiet", now() - 16000), true, false);
    server->onQueryServerResult(failed, false, false);
    QCOMPARE(gone.count(), 1);
    QVERIFY(server->servers().isEmpty());
}

void TestDiscovery::sweepEndClearsExpiredDevices() {
    DiscoveryServer* server = DiscoveryServer::instance();
    QSignalSpy ends(server, &DiscoveryServer::serverDiscoeryEnd);
    QSignalSpy gone(server, &DiscoveryServer::serverDisappeared);
    server->onQueryServerResult(device("10.0.0.4", "Fresh", now()), true, false);
    server->onQueryServerResult(device("10.0.0.5", "Old", now() - 20000), true, false);

    server->onQueryServerResult(ServerContent(), true, true);
    QCOMPARE(ends.count(), 1);
    QCOMPARE(ends.last().at(0).toInt(), 1);
    QCOMPARE(gone.count(), 1);
    QCOMPARE(gone.last().at(0).value<ServerContent>().name, QString("Old"));

    // Last heard from long ago: the next sweep end drops it and counts 0.
    server->onQueryServerResult(device("10.0.0.4", "Fresh", now() - 15001), true, false);
    server->onQueryServerResult(ServerContent(), false, true);
    QCOMPARE(ends.last().at(0).toInt(), 0);
}

void TestDiscovery::unicastQueryChecksTheSender() {
    FakeDevice good("127.0.0.5", [](const QByteArray&) { return DeviceReply; });
    QueryOutcome outcome = runQuery(QHostAddress("127.0.0.5"), good.port());
    QVERIFY(outcome.valid);
    QCOMPARE(outcome.reports, 1);
    QCOMPARE(outcome.record.uuid, QString("dev-7"));
    QCOMPARE(outcome.record.port, int(good.port()));

    // The device got the client's query.
    QCOMPARE(good.received.size(), 1);
    bool ok = false;
    const QVariantMap query = QtJson::parse(QString::fromUtf8(good.received.first()), ok).toMap();
    QVERIFY(ok);
    QCOMPARE(query.value("type").toString(), QString("client"));

    LogCapture log;
    FakeDevice other(
        "127.0.0.6", [](const QByteArray&) { return DeviceReply; }, "127.0.0.7");
    outcome = runQuery(QHostAddress("127.0.0.6"), other.port());
    QVERIFY(!outcome.valid);
    QVERIFY(log.contains("but received packet from host 127.0.0.7"));

    FakeDevice broken("127.0.0.8", [](const QByteArray&) { return QByteArray("{broken"); });
    outcome = runQuery(QHostAddress("127.0.0.8"), broken.port());
    QVERIFY(!outcome.valid);
    QVERIFY(outcome.record.address.isNull()); // matches no device in the table
}

void TestDiscovery::unicastQueryWithoutAnswer() {
    FakeDevice silent("127.0.0.9", [](const QByteArray&) { return QByteArray(); });
    const QueryOutcome outcome = runQuery(QHostAddress("127.0.0.9"), silent.port());
    QVERIFY(!outcome.valid);
    QCOMPARE(outcome.reports, 1);
    // The failed report still names the device, so the table can match it.
    QCOMPARE(outcome.record.address, QHostAddress("127.0.0.9"));
    QCOMPARE(outcome.record.port, int(silent.port()));
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
