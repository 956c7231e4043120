// Requests peers send to this PC: offers, granted downloads served over
// TCP with resumes, completion queries; driven from a fake peer on loopback.
#include "common/TestSupport.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/server/DownloadServer.h"
#include "tavlo/server/FileDistribution.h"
#include "tavlo/server/IncomingOffer.h"
#include "tavlo/server/OfferRegistry.h"
#include "tavlo/server/OperateListener.h"
#include "tavlo/server/ResumeOffset.h"
#include "tavlo/server/SessionTable.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

namespace {

constexpr quint16 ListenerPort = 36021;
const QString PeerAddress = QStringLiteral("127.0.6.2");

QVariantMap parse(const QByteArray& datagram) {
    bool ok = false;
    return QtJson::parse(QString::fromUtf8(datagram), ok).toMap();
}

QByteArray md5(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

// The other PC: receives offers on its request port, asks this PC's
// listener, and fetches over TCP from its own address.
class Peer {
public:
    explicit Peer(const QString& address = PeerAddress)
        : address_(address) {
        socket_.bind(QHostAddress(address), 16021);
    }
    bool isBound() const { return socket_.state() == QAbstractSocket::BoundState; }

    // Sends `request` to the listener and returns its answer (null: none
    // within `timeoutMs`).
    QVariantMap ask(const QVariantMap& request, int timeoutMs = 5000) {
        socket_.writeDatagram(QtJson::serialize(request), QHostAddress::LocalHost, ListenerPort);
        return next(timeoutMs);
    }
    QVariantMap next(int timeoutMs = 5000) {
        if (!socket_.hasPendingDatagrams() && !socket_.waitForReadyRead(timeoutMs))
            return QVariantMap();
        QByteArray data(int(socket_.pendingDatagramSize()), 0);
        socket_.readDatagram(data.data(), data.size());
        last = data;
        return parse(data);
    }
    bool silentFor(int ms) { return !socket_.waitForReadyRead(ms); }

    // A TCP connection to `port` from this peer's address.
    std::unique_ptr<QTcpSocket> connectTo(quint16 port) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(address_), 0);
        socket->connectToHost(QHostAddress::LocalHost, port);
        if (socket->waitForConnected(5000))
            return socket;
        qWarning("connect to %d failed: %s", int(port), qPrintable(socket->errorString()));
        return nullptr;
    }
    static QByteArray readAll(QTcpSocket& socket, qint64 atMost = -1) {
        QByteArray data;
        while ((atMost < 0 || data.size() < atMost) &&
               (socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000)))
            data += socket.read(atMost < 0 ? 1 << 20 : atMost - data.size());
        return data;
    }

    QByteArray last;

private:
    QString address_;
    QUdpSocket socket_;
};

ServerContent deviceFor(const QString& address) {
    ServerContent device;
    device.address = QHostAddress(address);
    device.type = "client";
    return device;
}

QVariantMap downloadRequest(const QString& path) {
    return {{"type", "file_download"}, {"file_path", path}};
}

QVariantMap queryRequest(const QVariant& session, const QString& md5Text) {
    return {{"type", "query_result"}, {"session_id", session}, {"md5", md5Text}};
}

} // namespace

class TestOperate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void resumeOffsetForms_data();
    void resumeOffsetForms();
    void offeredNames_data();
    void offeredNames();
    void freeNamesAreReserved();
    void offerIsSentAndRecorded();
    void onlyOfferedFilesAreGranted();
    void grantedDownloadIsServedAndConfirmed();
    void resumesInBothFormsAndHashesTheFileOnce();
    void strangersAndBadOffsetsGetNothing();
    void aTakenPortIsPassedOver();
    void emptyFileAndPeerThatNeverConnects();
    void offersFromPeersAndUnknownTypes();

private:
    QString makeFile(const QString& name, const QByteArray& content);

    ScopedWorkDir* dir_ = nullptr;
    OperateListener* listener_ = nullptr;
    QList<ProgressContent> reports_;
};

void TestOperate::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
    QVERIFY(Config::instance()->setValue(Config::ClientName, "PC A"));
    listener_ = new OperateListener;
    listener_->setListenPort(ListenerPort);
    DownloadServer::Timings timings;
    timings.connectionWaitMs = 3000;
    timings.offsetWaitMs = 2000;
    listener_->setDownloadTimings(timings);
    // The peer is known from its discovery request.
    ServerContent peer = deviceFor(PeerAddress);
    peer.uuid = "pc-b";
    DiscoveryListener::instance()->setServer(PeerAddress, peer);
    connect(listener_, &OperateListener::uploadProgress, this,
            [this](ProgressContent p) { reports_.append(p); });
    listener_->start();
    QTRY_VERIFY(listener_->isListening());
}

void TestOperate::cleanupTestCase() {
    listener_->stopServing();
    delete listener_;
    delete dir_;
    dir_ = nullptr;
}

QString TestOperate::makeFile(const QString& name, const QByteArray& content) {
    const QString path = dir_->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void TestOperate::resumeOffsetForms_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<qint64>("offset");
    const int Offset = int(ResumeOffset::Verdict::Offset);
    const int More = int(ResumeOffset::Verdict::NeedMore);
    const int Refused = int(ResumeOffset::Verdict::Refused);
    QTest::newRow("raw 0") << QByteArray::fromHex("0000000000000000") << Offset << qint64(0);
    QTest::newRow("raw 3") << QByteArray::fromHex("0300000000000000") << Offset << qint64(3);
    QTest::newRow("raw 2^32 + 1") << QByteArray::fromHex("0100000001000000") << Offset
                                  << (qint64(1) << 32) + 1;
    QTest::newRow("raw beyond the file")
        << QByteArray::fromHex("0000000000000100") << Refused << qint64(0);
    QTest::newRow("raw negative") << QByteArray::fromHex("ffffffffffffffff") << Refused
                                  << qint64(0);
    QTest::newRow("raw, first three bytes") << QByteArray::fromHex("030000") << More << qint64(0);
    QTest::newRow("nothing yet") << QByteArray() << More << qint64(0);
    QTest::newRow("decimal") << QByteArray("123") << Offset << qint64(123);
    QTest::newRow("decimal ended by zero") << QByteArray("123\0zz", 6) << Offset << qint64(123);
    QTest::newRow("decimal, 8 digits") << QByteArray("12345678") << Offset << qint64(12345678);
    QTest::newRow("decimal beyond the file") << QByteArray("99999999999") << Refused << qint64(0);
    QTest::newRow("digits, then no digit") << QByteArray("12a") << More << qint64(0);
    QTest::newRow("not a number") << QByteArray("12a45678") << Refused << qint64(0);
    QTest::newRow("text of 8 bytes") << QByteArray("garbage!") << Refused << qint64(0);
}

void TestOperate::resumeOffsetForms() {
    QFETCH(QByteArray, received);
    QFETCH(int, verdict);
    QFETCH(qint64, offset);
    qint64 parsed = -1;
    QCOMPARE(int(ResumeOffset::parse(received, (qint64(1) << 33), parsed)), verdict);
    if (verdict == int(ResumeOffset::Verdict::Offset))
        QCOMPARE(parsed, offset);
}

void TestOperate::offeredNames_data() {
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("name");
    QTest::newRow("last part") << "/home/a/报告 1.pdf"
                               << "报告 1.pdf";
    QTest::newRow("trailing slash") << "/home/a/b/"
                                    << "b";
    QTest::newRow("bare name") << "notes.txt"
                               << "notes.txt";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only slashes") << "///"
                                  << "";
    QTest::newRow("dot") << "/x/."
                         << "";
    QTest::newRow("dot dot") << "/x/.."
                             << "";
    QTest::newRow("backslash") << "C:/x/..\\..\\evil"
                               << "";
    QTest::newRow("NUL") << QString("/x/a") + QChar(0) + "b"
                         << "";
}

void TestOperate::offeredNames() {
    QFETCH(QString, offered);
    QFETCH(QString, name);
    QCOMPARE(IncomingOffer::safeFileName(offered), name);
}

void TestOperate::freeNamesAreReserved() {
    const QString folder = dir_->filePath("incoming");
    QString error;
    const QString first = IncomingOffer::reserveLocalPath(folder, "/p/archive.tar.gz", error);
    QCOMPARE(first, folder + "/archive.tar.gz");
    // The first is still downloading: the second gets the next name.
    const QString second = IncomingOffer::reserveLocalPath(folder, "/q/archive.tar.gz", error);
    QCOMPARE(second, folder + "/archive (2).tar.gz");
    QFile::rename(first + ".part", first); // the first arrived
    QFile::remove(second + ".part");
    QCOMPARE(IncomingOffer::reserveLocalPath(folder, "/r/archive.tar.gz", error), second);
    QCOMPARE(IncomingOffer::reserveLocalPath(folder, "/r/.profile", error), folder + "/.profile");
    QVERIFY(IncomingOffer::reserveLocalPath(folder, "/r/..", error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void TestOperate::offerIsSentAndRecorded() {
    Peer peer;
    QVERIFY(peer.isBound());
    const QString path = makeFile("offered.txt", "abc");
    auto* offer = new FileDistribution(path, deviceFor(PeerAddress));
    offer->setAutoDelete(false);
    offer->run();
    QVERIFY(offer->isOffered());
    delete offer;
    peer.next();
    QCOMPARE(peer.last, QString(R"({ "file_path" : "%1", "name" : "PC A", )"
                                R"("type" : "file_distribution", "uuid" : "%2" })")
                            .arg(path, ClientIdentity::uuid())
                            .toUtf8());
    QVERIFY(OfferRegistry::instance().isOffered(QHostAddress(PeerAddress), path));
    QVERIFY(!OfferRegistry::instance().isOffered(QHostAddress("127.0.6.3"), path));
}

void TestOperate::onlyOfferedFilesAreGranted() {
    Peer peer;
    Peer stranger("127.0.6.3");
    const QByteArray content(100000, 'x');
    const QString path = makeFile("twice.bin", content);
    OfferRegistry::instance().addOffer(QHostAddress(PeerAddress), path);
    OfferRegistry::instance().addOffer(QHostAddress(PeerAddress), path);

    QVariantMap reply = stranger.ask(downloadRequest(path));
    QCOMPARE(stranger.last, QByteArray(R"({ "reason" : "File not allow to download.", )"
                                       R"("result" : "fail" })"));
    reply = peer.ask(downloadRequest(path + ".other"));
    QCOMPARE(reply.value("reason").toString(), QString("File not allow to download."));
    const QString gone = makeFile("gone.txt", "x");
    OfferRegistry::instance().addOffer(QHostAddress(PeerAddress), gone);
    QFile::remove(gone);
    QCOMPARE(peer.ask(downloadRequest(gone)).value("reason").toString(),
             QString("File not exists."));

    // A file offered twice may be fetched any number of times; sessions and
    // ports count up from their first values.
    const QVariantMap first = peer.ask(downloadRequest(path));
    QCOMPARE(peer.last, QByteArray(R"({ "file_size" : 100000, "result" : "ok", )"
                                   R"("session_id" : 1717986918, "tcp_port" : 20000 })"));
    QCOMPARE(peer.ask(queryRequest(1717986918u, QString(md5(content)))).value("reason").toString(),
             QString("not_complete"));
    const QVariantMap second = peer.ask(downloadRequest(path));
    QCOMPARE(second.value("session_id").toLongLong(), 1717986919LL);
    QCOMPARE(second.value("tcp_port").toInt(), 20001);
    for (const QVariantMap& grant : {first, second}) {
        auto socket = peer.connectTo(quint16(grant.value("tcp_port").toUInt()));
        QVERIFY(socket);
        QCOMPARE(Peer::readAll(*socket), content);
    }
    QString state;
    QTRY_VERIFY(SessionTable::instance().sessionState(1717986919, state) &&
                state == QString(md5(content)));
    peer.ask(queryRequest(1717986919u, QString(md5(content))));
    QCOMPARE(peer.last, QByteArray(R"({ "result" : "ok", "session_id" : 1717986919 })"));
    QCOMPARE(peer.ask(queryRequest(1717986918u, "0123")).value("reason").toString(),
             QString(md5(content)));
    peer.ask(queryRequest(42, "0123"));
    QCOMPARE(peer.last, QByteArray(R"({ "reason" : "not such sessionID", "result" : "fail", )"
                                   R"("session_id" : 42 })"));
    // Not a session number at all: no session.
    QCOMPARE(peer.ask(queryRequest("x", "0")).value("reason").toString(),
             QString("not such sessionID"));
    QCOMPARE(peer.ask(queryRequest(1.5e10, "0")).value("reason").toString(),
             QString("not such sessionID"));
}

// Grants a download of `path` to `peer` and returns the TCP port.
static quint16 grantFor(Peer& peer, const QString& path) {
    OfferRegistry::instance().addOffer(QHostAddress(PeerAddress), path);
    return quint16(peer.ask(downloadRequest(path)).value("tcp_port").toUInt());
}

void TestOperate::grantedDownloadIsServedAndConfirmed() {
    Peer peer;
    QByteArray content;
    for (int i = 0; i < 50000; ++i)
        content += QByteArray::number(i) + ",";
    const QString path = makeFile("served.csv", content);
    reports_.clear();
    const quint16 port = grantFor(peer, path);
    auto socket = peer.connectTo(port);
    QVERIFY(socket);
    QCOMPARE(Peer::readAll(*socket), content);
    QTRY_VERIFY(!reports_.isEmpty() && reports_.last().percent == ProgressContent::Confirmed);
    const ProgressContent done = reports_.last();
    QCOMPARE(done.kind, int(ProgressContent::Upload));
    QCOMPARE(done.localPath, path);
    QVERIFY(done.remotePath.isEmpty());
    // Progress went up a percent at a time, then came the final record.
    QList<int> percents;
    for (const ProgressContent& report : qAsConst(reports_)) {
        if (report.id == done.id)
            percents.append(report.percent);
    }
    QVERIFY(percents.size() > 50);
    QCOMPARE(percents.last(), ProgressContent::Confirmed);
    QVERIFY(std::is_sorted(percents.begin(), percents.end()));
    const auto recorded = [&] {
        const QList<RecentFilesContent> rows =
            TavloClientDatabase::instance()->getRecentFiles("pc-b");
        return std::any_of(rows.begin(), rows.end(), [&](const RecentFilesContent& row) {
            return row.nativePath == path && row.type == "file_upload" && row.remotePath.isEmpty();
        });
    };
    QTRY_VERIFY(recorded());
}

void TestOperate::resumesInBothFormsAndHashesTheFileOnce() {
    // The peer loses the tail of what was in flight and resumes from an
    // earlier byte: resent bytes must not count twice in the session's MD5.
    Peer peer;
    // Larger than the socket buffers, so the server cannot finish early.
    QByteArray content(16 * 1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 + i / 4096);
    const QString path = makeFile("resumed.bin", content);
    QString state;

    for (const char* form : {"raw", "decimal"}) {
        const quint16 port = grantFor(peer, path);
        const quint32 id = peer.last.contains("session_id")
                               ? quint32(parse(peer.last).value("session_id").toUInt())
                               : 0;
        auto first = peer.connectTo(port);
        QVERIFY(first);
        QByteArray received = Peer::readAll(*first, 1000000);
        first->abort();
        received.truncate(600000); // what reached the disk
        auto second = peer.connectTo(port);
        QVERIFY(second);
        if (qstrcmp(form, "raw") == 0) {
            QByteArray raw(8, 0);
            qToLittleEndian<qint64>(received.size(), raw.data());
            second->write(raw);
        } else {
            second->write(QByteArray::number(received.size()) + '\0');
        }
        received += Peer::readAll(*second);
        QCOMPARE(received.size(), content.size());
        QVERIFY2(received == content, form);
        QTRY_VERIFY(SessionTable::instance().sessionState(id, state) && state != "not_complete");
        QCOMPARE(state, QString(md5(content)));
        QCOMPARE(peer.ask(queryRequest(id, state)).value("result").toString(), QString("ok"));
    }
}

void TestOperate::strangersAndBadOffsetsGetNothing() {
    Peer peer;
    const QByteArray content(16 * 1024 * 1024, 'q');
    const QString path = makeFile("guarded.bin", content);
    const quint16 port = grantFor(peer, path);

    // Another host on the granted port: closed at once, and it costs the
    // peer none of its attempts.
    for (int i = 0; i < 12; ++i) {
        auto stranger = Peer("127.0.6.9").connectTo(port);
        QVERIFY(stranger);
        QVERIFY(Peer::readAll(*stranger).isEmpty());
    }
    auto first = peer.connectTo(port);
    QVERIFY(first);
    QByteArray received = Peer::readAll(*first, 20000);
    first->abort();
    // A resume that does not say a number gets no data.
    auto garbled = peer.connectTo(port);
    QVERIFY(garbled);
    garbled->write("twenty thousand");
    QVERIFY(Peer::readAll(*garbled).isEmpty());
    auto beyond = peer.connectTo(port);
    QVERIFY(beyond);
    beyond->write(QByteArray::number(content.size() + 1));
    QVERIFY(Peer::readAll(*beyond).isEmpty());
    // The session still completes.
    auto resumed = peer.connectTo(port);
    QVERIFY(resumed);
    resumed->write(QByteArray::number(received.size()));
    received += Peer::readAll(*resumed);
    QCOMPARE(received, content);
}

void TestOperate::aTakenPortIsPassedOver() {
    Peer peer;
    const QString path = makeFile("port.bin", QByteArray(10, 'p'));
    const quint16 first = grantFor(peer, path);
    const quint32 firstId = quint32(parse(peer.last).value("session_id").toUInt());
    auto socket = peer.connectTo(first);
    QVERIFY(socket);
    QCOMPARE(Peer::readAll(*socket), QByteArray(10, 'p'));
    // Another program holds the next port: the grant moves on to the one after.
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, quint16(first + 1)));
    const quint16 second = grantFor(peer, path);
    QCOMPARE(second, quint16(first + 2));
    QCOMPARE(parse(peer.last).value("session_id").toUInt(), firstId + 2);
    auto served = peer.connectTo(second);
    QVERIFY(served);
    QCOMPARE(Peer::readAll(*served), QByteArray(10, 'p'));
}

void TestOperate::emptyFileAndPeerThatNeverConnects() {
    Peer peer;
    const QString empty = makeFile("empty.txt", QByteArray());
    reports_.clear();
    const quint16 port = grantFor(peer, empty);
    const quint32 id = quint32(parse(peer.last).value("session_id").toUInt());
    QCOMPARE(parse(peer.last).value("file_size").toInt(), 0);
    auto socket = peer.connectTo(port);
    QVERIFY(socket);
    QVERIFY(Peer::readAll(*socket).isEmpty());
    QString state;
    QTRY_VERIFY(SessionTable::instance().sessionState(id, state) && state != "not_complete");
    QCOMPARE(state, QString(md5(QByteArray())));
    QTRY_VERIFY(!reports_.isEmpty() && reports_.last().percent == ProgressContent::Confirmed);

    // Nobody comes: every one of the eleven waits ends, and the session
    // stays unfinished.
    DownloadServer::Timings quick;
    quick.connectionWaitMs = 20;
    LogCapture log;
    auto* server = new DownloadServer(empty, 0, 99, deviceFor(PeerAddress));
    server->setTimings(quick);
    server->setAutoDelete(false);
    QSignalSpy final(server, &DownloadServer::uploadProgress);
    server->run();
    delete server;
    QCOMPARE(
        log.count("[E][DownloadServer] DownloadServer: TCPServer timeout, not client connect."),
        DownloadServer::MaxConnections);
    QCOMPARE(final.count(), 1);
    const auto last = final.last().first().value<ProgressContent>();
    QCOMPARE(last.percent, ProgressContent::Failed);
    QCOMPARE(last.failure.code, TransferFailure::PeerDidNotFetch);
}

void TestOperate::offersFromPeersAndUnknownTypes() {
    Peer peer;
    // Offers come from a handler thread; they are collected on this one (a
    // QSignalSpy would be filled from that thread while read here).
    QList<QVariantList> offers;
    QObject receiver;
    connect(
        listener_, &OperateListener::isDownloadFile, &receiver,
        [&](const QString& path, const ServerContent& device, quint16 port) {
            offers.append({path, QVariant::fromValue(device), QVariant::fromValue(port)});
        },
        Qt::QueuedConnection);
    LogCapture log;
    peer.ask({{"type", "file_distribution"},
              {"file_path", "/sdcard/Tavlo/海报.png"},
              {"name", "Room 5"},
              {"uuid", "dev-5"}},
             300);
    QTRY_COMPARE(offers.count(), 1);
    QCOMPARE(offers.first().at(0).toString(), QString("/sdcard/Tavlo/海报.png"));
    const auto device = offers.first().at(1).value<ServerContent>();
    QCOMPARE(device.name, QString("Room 5"));
    QCOMPARE(device.uuid, QString("dev-5"));
    QCOMPARE(device.address, QHostAddress(PeerAddress));
    QCOMPARE(offers.first().at(2).value<quint16>(), quint16(16021));

    QVERIFY(peer.ask({{"type", "file_upload"}}, 300).isEmpty());
    QTRY_VERIFY(
        log.contains("[E][ReplyOperate] ReplyOperate: does not support operate: file_upload"));
    QVERIFY(peer.ask({{"type", "FILE_DOWNLOAD"}}, 300).isEmpty());
    peer.ask(QVariantMap(), 100);
    QVERIFY(peer.silentFor(200));
}

QTEST_GUILESS_MAIN(TestOperate)
#include "tst_operate.moc"
