#include "common/TestSupport.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/discovery/ReplyDiscovery.h"
#include "utils/Config.h"
#include "utils/QtJson.h"

#include <QUdpSocket>
#include <QtTest>

namespace {

QByteArray request(const QString& version, const QString& uuid, const QString& os = "Android") {
    QVariantMap map;
    if (!version.isNull())
        map.insert("version", version);
    if (!uuid.isNull())
        map.insert("uuid", uuid);
    map.insert("os", os);
    map.insert("name", "Room 1");
    return QtJson::serialize(map);
}

} // namespace

class TestResponder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void versionRule_data();
    void versionRule();
    void answersWithThisPcsDescription();
    void staysSilentForBadRequests();
    void listenerRetriesABusyPort();

private:
    // Runs one request from `peer_`; true when exactly one reply arrived.
    bool answered(const QByteArray& data, QVariantMap* reply = nullptr);

    ScopedWorkDir* dir_ = nullptr;
    QUdpSocket peer_;
};

void TestResponder::initTestCase() {
    dir_ = new ScopedWorkDir;
    QVERIFY(Config::instance()->setValue(Config::ClientName, "Desk PC"));
    QVERIFY(peer_.bind(QHostAddress(QHostAddress::LocalHost), 0));
}

void TestResponder::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

bool TestResponder::answered(const QByteArray& data, QVariantMap* reply) {
    ReplyDiscovery task(data, QHostAddress::LocalHost, peer_.localPort());
    task.setAutoDelete(false);
    task.run();
    // The reply, if any, was sent before run() returned; a marker sent now
    // arrives after it, so absence is decided without waiting for luck.
    QUdpSocket marker;
    marker.writeDatagram("marker", QHostAddress::LocalHost, peer_.localPort());
    QList<QByteArray> datagrams;
    while (datagrams.isEmpty() || datagrams.last() != "marker") {
        if (!peer_.hasPendingDatagrams() && !peer_.waitForReadyRead(5000))
            return false;
        QByteArray bytes(int(peer_.pendingDatagramSize()), 0);
        peer_.readDatagram(bytes.data(), bytes.size());
        datagrams.append(bytes);
    }
    datagrams.removeLast();
    if (reply && datagrams.size() == 1)
        *reply = QtJson::parse(QString::fromUtf8(datagrams.first())).toMap();
    return datagrams.size() == 1;
}

void TestResponder::versionRule_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("v1.0") << "v1.0" << true;
    QTest::newRow("old v0.9") << "v0.9" << false;
    QTest::newRow("upper-case V2.0") << "V2.0" << true;
    QTest::newRow("unreadable v1.0.3") << "v1.0.3" << true;
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("0.5 without v") << "0.5" << false;
}

void TestResponder::versionRule() {
    QFETCH(QString, version);
    QFETCH(bool, accepted);
    QCOMPARE(ReplyDiscovery::isVersionAccepted(version), accepted);
    QCOMPARE(answered(request(version, "dev-" + version)), accepted);
}

void TestResponder::answersWithThisPcsDescription() {
    QVariantMap reply;
    QVERIFY(answered(request("v1.0", "dev-1"), &reply));
    QCOMPARE(reply.keys(), (QStringList{"name", "os", "support", "type", "uuid", "version"}));
    QCOMPARE(reply.value("name").toString(), QString("Desk PC"));
    QCOMPARE(reply.value("type").toString(), QString("client"));
    QCOMPARE(reply.value("version").toString(), QString("v1.0"));
    QCOMPARE(reply.value("uuid").toString(), ClientIdentity::uuid());
    QCOMPARE(reply.value("support").toList(), QVariantList{"file_upload"});
    QCOMPARE(QtJson::serialize(ReplyDiscovery::replyMessage()),
             QStringLiteral("{ \"name\" : \"Desk PC\", \"os\" : \"%1\", \"support\" : [ "
                            "\"file_upload\" ], \"type\" : \"client\", \"uuid\" : \"%2\", "
                            "\"version\" : \"v1.0\" }")
                 .arg(ClientIdentity::osName(), ClientIdentity::uuid())
                 .toUtf8());

    // The sender is kept by its address; a second request replaces it.
    const QString key = QHostAddress(QHostAddress::LocalHost).toString();
    ServerContent stored = DiscoveryListener::instance()->getServer(key);
    QCOMPARE(stored.uuid, QString("dev-1"));
    QCOMPARE(stored.type, QString("server"));
    QVERIFY(answered(request("v1.0", "dev-1", "Other OS")));
    stored = DiscoveryListener::instance()->getServer(key);
    QCOMPARE(stored.os, QString("Other OS"));
    QCOMPARE(DiscoveryListener::instance()->getServer("10.9.9.9").uuid, QString());
}

void TestResponder::staysSilentForBadRequests() {
    QVERIFY(!answered(request("v1.0", QString())));
    QVERIFY(!answered(request("v1.0", "")));
    if (!ClientIdentity::uuid().isEmpty())
        QVERIFY(!answered(request("v1.0", ClientIdentity::uuid()))); // its own query
    LogCapture log;
    QVERIFY(!answered("this is not json"));
    QVERIFY(log.contains("[E][DiscoverListener] ReplyDiscovery: pase json fail."));
    QVERIFY(!answered(QByteArray()));
    QVERIFY(!answered(QByteArray(60000, '[')));
}

void TestResponder::listenerRetriesABusyPort() {
    QUdpSocket occupant;
    QVERIFY(occupant.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QUdpSocket::DontShareAddress));
    const quint16 port = occupant.localPort();

    LogCapture log;
    DiscoveryListener* listener = DiscoveryListener::instance();
    listener->setListenPort(port);
    listener->start();
    QTRY_VERIFY(log.contains("[E][DiscoverListener] Socket bind error:"));
    QVERIFY(!listener->isListening());

    occupant.close(); // the next attempt, 10 s later, finds the port free
    QTRY_VERIFY_WITH_TIMEOUT(listener->isListening(), 15000);
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
    peer.writeDatagram(request("v1.0", "dev-42"), QHostAddress::LocalHost, port);
    QVERIFY(peer.waitForReadyRead(5000));
    QByteArray bytes(int(peer.pendingDatagramSize()), 0);
    peer.readDatagram(bytes.data(), bytes.size());
    QCOMPARE(QtJson::parse(QString::fromUtf8(bytes)).toMap().value("type").toString(),
             QString("client"));

    listener->quit();
    QVERIFY(listener->wait(5000));
}

QTEST_GUILESS_MAIN(TestResponder)
#include "tst_responder.moc"
