// The bytes on the wire, written out by hand: every datagram the client
// sends for each request, the resume offset, and replies it must take or
// refuse. Nothing here is built with the client's own encoder, so a mistake
// made the same way in the client and in the simulator still shows.
#include "common/TestSupport.h"
#include "tavlo/CompletionPoll.h"
#include "tavlo/FileDelete.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileFinder.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileThumb.h"
#include "tavlo/FileUploadTask.h"
#include "tavlo/SalutatorySetter.h"
#include "tavlo/TcpTransfer.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/ReplyDiscovery.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QByteArray utf8(const char* text) {
    return QByteArray(text);
}

ServerContent deviceAt(const QString& address) {
    ServerContent device;
    device.address = QHostAddress(address);
    device.uuid = "wire-dev";
    device.name = "Wire";
    return device;
}

// Runs `task` on a pool thread while this thread serves the fake device.
void runBeside(QRunnable* task) {
    QThreadPool pool;
    pool.start(task);
    while (!pool.waitForDone(10))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

class TestWire : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void requestDatagrams_data();
    void requestDatagrams();
    void uploadAndPollDatagrams_data();
    void uploadAndPollDatagrams();
    void queryAndDiscoveryReply();
    void resumeOffsetBytes_data();
    void resumeOffsetBytes();
    void downloadResumeSendsItsOffset();
    void uploadGrants_data();
    void uploadGrants();
    void queryReplies_data();
    void queryReplies();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestWire::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
    QVERIFY(Config::instance()->setValue(Config::ClientName, "PC \"1\""));
}

void TestWire::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

void TestWire::requestDatagrams_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QByteArray>("expected");
    enum { Open, Delete, Thumb, Welcome, Listing, Download };
    QTest::newRow("file_open normal")
        << int(Open) << "/Pictures/a b.png"
        << utf8(
               R"({ "file_path" : "/Pictures/a b.png", "option" : "normal", "type" : "file_open" })");
    QTest::newRow("file_open secure")
        << int(Open) << "secure:/报告.pdf"
        << utf8(R"({ "file_path" : "报告.pdf", "option" : "secure", "type" : "file_open" })");
    QTest::newRow("file_delete")
        << int(Delete) << "/Tavlo/上传/x.txt"
        << utf8(R"({ "file_path" : "/Tavlo/上传/x.txt", "type" : "file_delete" })");
    QTest::newRow("get_thumb")
        << int(Thumb) << "/Pictures/p.jpg"
        << utf8(R"({ "file_path" : "/Pictures/p.jpg", "type" : "get_thumb" })");
    QTest::newRow("salutatory escaped")
        << int(Welcome) << "欢迎 \"VIP\"\n\\ /"
        << utf8(R"({ "salutatory" : "欢迎 \"VIP\"\n\\ /", "type" : "salutatory" })");
    QTest::newRow("file_list")
        << int(Listing) << "/Pictures"
        << utf8(R"({ "file_path" : "/Pictures", "key" : "0", )"
                R"("sort" : "date_modified_decrease", "type" : "file_list" })");
    QTest::newRow("file_download")
        << int(Download) << "/Whiteboard/w 1.png"
        << utf8(R"({ "file_path" : "/Whiteboard/w 1.png", "type" : "file_download" })");
}

void TestWire::requestDatagrams() {
    QFETCH(int, kind);
    QFETCH(QString, argument);
    QFETCH(QByteArray, expected);
    // The device refuses, so each task ends after its first datagram.
    FakeDevice device(
        "127.0.3.1",
        [](const QByteArray&) { return QByteArray(R"({"result":"fail","reason":"no"})"); },
        QString(), 16021);
    const ServerContent target = deviceAt("127.0.3.1");
    QRunnable* task = nullptr;
    switch (kind) {
    case 0:
        task = new FileOpen(argument, target);
        break;
    case 1:
        task = new FileDelete(argument, target);
        break;
    case 2:
        task = new FileThumb(argument, target, 42, QModelIndex());
        break;
    case 3:
        task = new SalutatorySetter(argument, target);
        break;
    case 4:
        task = new FileFinder(argument, "date_modified_decrease", target);
        break;
    default:
        task = new FileDownloader(argument, dir_->filePath("w.png"), target, 1);
        break;
    }
    runBeside(task);
    QCOMPARE(device.received.size(), 1);
    QCOMPARE(device.received.first(), expected);
}

void TestWire::uploadAndPollDatagrams_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("blank") << "a b.txt"
                           << utf8(R"({ "file_name" : "a b.txt", "file_size" : 5, "option" : )"
                                   R"("normal", "type" : "file_upload" })");
    // On Linux a backslash is an ordinary character of a file name.
    QTest::newRow("quote and backslash")
        << "q\"uo\\te.txt"
        << utf8(R"({ "file_name" : "q\"uo\\te.txt", "file_size" : 5, "option" : "normal", )"
                R"("type" : "file_upload" })");
}

void TestWire::uploadAndPollDatagrams() {
    QFETCH(QString, name);
    QFETCH(QByteArray, request);
    const QString path = dir_->filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();

    // A grant with a TCP port that takes the five bytes, then "ok" to the poll.
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress("127.0.3.2"), 0));
    QByteArray stored;
    connect(&data, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* socket = data.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket,
                [&stored, socket] { stored += socket->readAll(); });
    });
    FakeDevice device(
        "127.0.3.2",
        [&](const QByteArray& request) {
            if (request.contains("file_upload"))
                return QByteArray(R"({"result":"ok","session_id":7,"tcp_port":)") +
                       QByteArray::number(data.serverPort()) + "}";
            return QByteArray(R"({"result":"ok","session_id":7})");
        },
        QString(), 16021);
    auto* task = new FileUploadTask(path, deviceAt("127.0.3.2"), false);
    TransferTimings timings = TransferTimings::forUpload();
    timings.pollSleepMs = 0;
    task->setTimings(timings);
    runBeside(task);

    QCOMPARE(stored, QByteArray("hello"));
    QCOMPARE(device.received.size(), 2);
    QCOMPARE(device.received.at(0), request);
    QCOMPARE(device.received.at(1), utf8(R"({ "md5" : "5d41402abc4b2a76b9719d911017c592", )"
                                         R"("session_id" : 7, "type" : "query_result" })"));
    QCOMPARE(QtJson::serialize(CompletionPoll::request(qint64(1) << 40, "ab")),
             utf8(R"({ "md5" : "ab", "session_id" : 1099511627776, "type" : "query_result" })"));
}

void TestWire::queryAndDiscoveryReply() {
    const QString uuid = ClientIdentity::uuid();
    bool ok = false;
    QCOMPARE(DiscoveryServer::ServerInfoGetter::queryRequest(ok),
             QString(R"({ "name" : "PC \"1\"", "os" : "", "type" : "client", "uuid" : "%1", )"
                     R"("version" : "v1.0" })")
                 .arg(uuid)
                 .toUtf8());
    QVERIFY(ok);
    QCOMPARE(QtJson::serialize(ReplyDiscovery::replyMessage()),
             QString(R"({ "name" : "PC \"1\"", "os" : "", "support" : [ "file_upload" ], )"
                     R"("type" : "client", "uuid" : "%1", "version" : "v1.0" })")
                 .arg(uuid)
                 .toUtf8());
}

void TestWire::resumeOffsetBytes_data() {
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("0") << qint64(0) << QByteArray::fromHex("0000000000000000");
    QTest::newRow("1") << qint64(1) << QByteArray::fromHex("0100000000000000");
    QTest::newRow("2^32") << (qint64(1) << 32) << QByteArray::fromHex("0000000001000000");
    QTest::newRow("2^40 + 5") << (qint64(1) << 40) + 5 << QByteArray::fromHex("0500000000010000");
}

void TestWire::resumeOffsetBytes() {
    QFETCH(qint64, offset);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TcpTransfer::encodeOffset(offset), bytes);
    QCOMPARE(TcpTransfer::decodeOffset(bytes), offset);
}

void TestWire::downloadResumeSendsItsOffset() {
    // The first connection carries 3 of 10 bytes and breaks; the client comes
    // back and says, in 8 raw bytes, that it has 3.
    const QByteArray content("0123456789");
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress("127.0.3.3"), 0));
    QList<QByteArray> openings;
    int connections = 0;
    connect(&data, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* socket = data.nextPendingConnection();
        if (connections++ == 0) {
            socket->write(content.left(3));
            socket->flush();
            socket->disconnectFromHost();
            return;
        }
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            if (socket->bytesAvailable() < 8)
                return;
            openings.append(socket->read(8));
            socket->write(content.mid(3));
        });
    });
    FakeDevice device(
        "127.0.3.3",
        [&](const QByteArray& request) {
            if (request.contains("file_download"))
                return QByteArray(R"({"result":"ok","session_id":3,"file_size":10,"tcp_port":)") +
                       QByteArray::number(data.serverPort()) + "}";
            return QByteArray(R"({"result":"ok","session_id":3})");
        },
        QString(), 16021);
    const QString local = dir_->filePath("digits.txt");
    auto* task = new FileDownloader("/Tavlo/digits.txt", local, deviceAt("127.0.3.3"), 1);
    TransferTimings timings;
    timings.pollSleepMs = 0;
    task->setTimings(timings);
    runBeside(task);
    QCOMPARE(openings, QList<QByteArray>{QByteArray::fromHex("0300000000000000")});
    QFile file(local);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(device.received.last(), utf8(R"({ "md5" : "781e5e245d69b566979b86e28d23f2c7", )"
                                          R"("session_id" : 3, "type" : "query_result" })"));
}

void TestWire::uploadGrants_data() {
    QTest::addColumn<QByteArray>("grant");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("integer session")
        << utf8(R"({"result":"ok","session_id":12,"tcp_port":PORT})") << true << "";
    QTest::newRow("quoted session")
        << utf8(R"({"result":"ok","session_id":"12","tcp_port":PORT})") << true << "";
    QTest::newRow("members in any order, blanks")
        << utf8(" { \"tcp_port\" : PORT , \"session_id\" : 12 , \"result\" : \"ok\" } ") << true
        << "";
    QTest::newRow("session beyond 32 bits")
        << utf8(R"({"result":"ok","session_id":4294967308,"tcp_port":PORT})") << false
        << "[E][FileTransferServer] Invalid session_id.";
    QTest::newRow("session 2^31")
        << utf8(R"({"result":"ok","session_id":2147483648,"tcp_port":PORT})") << false
        << "[E][FileTransferServer] Invalid session_id.";
    QTest::newRow("fractional session")
        << utf8(R"({"result":"ok","session_id":12.5,"tcp_port":PORT})") << false
        << "[E][FileTransferServer] Invalid session_id.";
    QTest::newRow("no tcp port") << utf8(R"({"result":"ok","session_id":12})") << false
                                 << "[E][FileTransferServer] Invalid tcp port.";
    QTest::newRow("refusal") << utf8(R"({"result":"fail","session_id":12,"reason":"full"})")
                             << false << "[E][FileTransferServer] Server response fail: full.";
    QTest::newRow("result in capitals")
        << utf8(R"({"result":"OK","session_id":12,"tcp_port":PORT})") << false
        << "[E][FileTransferServer] Server response a unknow result: OK.";
}

void TestWire::uploadGrants() {
    QFETCH(QByteArray, grant);
    QFETCH(bool, accepted);
    QFETCH(QString, logLine);
    const QString path = dir_->filePath("g.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    QTcpServer data;
    QVERIFY(data.listen(QHostAddress("127.0.3.4"), 0));
    int connections = 0;
    connect(&data, &QTcpServer::newConnection, this, [&] {
        ++connections;
        QTcpSocket* socket = data.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    });
    grant.replace("PORT", QByteArray::number(data.serverPort()));
    QList<qint64> polledSessions;
    FakeDevice device(
        "127.0.3.4",
        [&](const QByteArray& request) {
            bool ok = false;
            const QVariantMap map = QtJson::parse(QString::fromUtf8(request), ok).toMap();
            if (map.value("type") == "file_upload")
                return grant;
            polledSessions.append(map.value("session_id").toLongLong());
            return QByteArray(R"({"result":"ok","session_id":12})");
        },
        QString(), 16021);
    LogCapture log;
    auto* task = new FileUploadTask(path, deviceAt("127.0.3.4"), false);
    TransferTimings timings = TransferTimings::forUpload();
    timings.pollSleepMs = 0;
    task->setTimings(timings);
    runBeside(task);
    QCOMPARE(connections, accepted ? 1 : 0);
    QCOMPARE(polledSessions, accepted ? QList<qint64>{12} : QList<qint64>{});
    if (!logLine.isEmpty())
        QVERIFY2(log.contains(logLine), qPrintable(log.lines().join('\n')));
}

void TestWire::queryReplies_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("castPort");
    QTest::newRow("full") << utf8(R"({"name":"Room 1","version":"v2","os":"android","uuid":"u1",)"
                                  R"("type":"server","support":["Glimmer : 5000","file_upload"]})")
                          << true << "Room 1"
                          << "server" << 5000;
    QTest::newRow("no type means a device") << utf8(R"({"name":"Room 2"})") << true << "Room 2"
                                            << "server" << 0;
    QTest::newRow("another PC") << utf8(
                                       R"({"name":"PC","type":"client","support":["file_upload"]})")
                                << true << "PC"
                                << "client" << 0;
    QTest::newRow("escaped unicode")
        << utf8(R"({"name":"\u4f1a\u8bae\u5ba4"})") << true << QString("会议室") << "server" << 0;
    QTest::newRow("not JSON") << utf8("Room 3") << false << ""
                              << "" << 0;
    QTest::newRow("cut short") << utf8(R"({"name":"Ro)") << false << ""
                               << "" << 0;
}

void TestWire::queryReplies() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(int, castPort);
    DiscoveryServer::ServerInfoGetter getter(nullptr, QHostAddress("127.0.3.5"), 16020);
    bool ok = false;
    const ServerContent server =
        getter.getServerContent(reply.constData(), quint64(reply.size()), ok);
    QCOMPARE(ok, valid);
    if (!valid)
        return;
    QCOMPARE(server.name, name);
    QCOMPARE(server.type, type);
    QCOMPARE(server.supportPort("Glimmer").port, castPort);
}

QTEST_GUILESS_MAIN(TestWire)
#include "tst_wire.moc"
