// What peers send, read the hostile way: members of the wrong JSON type and
// numbers out of range count as absent, every byte of a datagram is read,
// and control lines cannot pile up. Each case drives a handler as the
// listeners and tasks do, with the bytes a fake peer would send.
#include "cast/CastControllerClient.h"
#include "cast/CastReply.h"
#include "cast/ControlLineReader.h"
#include "common/TestSupport.h"
#include "tavlo/FileFinder.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/TcpTransfer.h"
#include "tavlo/ThumbnailImage.h"
#include "tavlo/TransferReplies.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/discovery/ReplyDiscovery.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "tavlo/server/OfferAllowance.h"
#include "tavlo/server/ReplyOperate.h"
#include "tavlo/server/SessionTable.h"
#include "utils/Config.h"
#include "utils/JsonFields.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const QHostAddress Peer(QStringLiteral("127.0.7.1"));

struct Handled {
    QList<QVariantMap> replies;
    QList<QByteArray> raw;
    QStringList offers;
};

// Runs one operate request as the listener would, with its answers kept.
Handled operate(const QByteArray& datagram, std::shared_ptr<OfferAllowance> allowance = nullptr) {
    Handled handled;
    auto* task = new ReplyOperate(datagram, Peer, 40001);
    task->setAutoDelete(false);
    task->setOfferAllowance(std::move(allowance));
    task->setReplier([&](const QByteArray& reply, const QHostAddress&, quint16) {
        handled.raw.append(reply);
        handled.replies.append(QtJson::parse(QString::fromUtf8(reply)).toMap());
        return true;
    });
    QObject::connect(
        task, &ReplyOperate::isDownloadFile,
        [&](const QString& path, const ServerContent&, quint16) { handled.offers.append(path); });
    task->run();
    delete task;
    return handled;
}

QByteArray json(const QVariantMap& map) {
    return QtJson::serialize(map);
}

// True when the discovery responder answers `datagram`.
bool discoveryAnswers(const QByteArray& datagram) {
    bool answered = false;
    ReplyDiscovery task(datagram, Peer, 40002);
    task.setAutoDelete(false);
    task.setReplier([&](const QByteArray&, const QHostAddress&, quint16) {
        answered = true;
        return true;
    });
    task.run();
    return answered;
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small PNG whose header announces `width` x `height` pixels.
QByteArray pngAnnouncing(quint32 width, quint32 height) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(3, 2, QImage::Format_RGB32).save(&buffer, "PNG");
    const auto put = [&png](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = char(value >> (24 - 8 * i));
    };
    put(16, width);
    put(20, height);
    put(29, crc32(png.mid(12, 17))); // the header's checksum
    return png;
}

QVariantMap parsed(const QByteArray& datagram) {
    QVariantMap reply;
    RequestChannel::parseReply(datagram, reply);
    return reply;
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void jsonFieldsCountWrongTypesAsAbsent();
    void datagramWithANulByteIsReadWhole();
    void operateRequestsWithWrongTypes();
    void offersBeyondThePeersAllowanceAreDropped();
    void discoveryRequestsWithWrongTypes();
    void queryRepliesWithWrongTypes();
    void listingRepliesWithWrongTypesAndNoEnd();
    void transferRepliesWithWrongTypes();
    void castRepliesWithWrongTypes();
    void controlLinesInPiecesAndOverlongLines();
    void uploadResumeOffsetsOutsideTheFileAreRefused();
    void picturesAnnouncingHugeSizesAreNotDecoded();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestHostileInput::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
    QVERIFY(Config::instance()->setValue(Config::ClientName, "Desk PC"));
}

void TestHostileInput::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

void TestHostileInput::jsonFieldsCountWrongTypesAsAbsent() {
    const QVariantMap message =
        QtJson::parse(
            R"({"s":"text","n":12,"q":"34","f":1.5,"b":true,"l":[1],"o":{},"big":18446744073709551615,)"
            R"("neg":-5,"nul":null,"e":1e3})")
            .toMap();
    QString text;
    QVERIFY(JsonFields::text(message, "s", text) && text == "text");
    for (const char* key : {"n", "b", "l", "o", "nul", "missing"})
        QVERIFY2(!JsonFields::text(message, key, text), key);
    QCOMPARE(JsonFields::textOr(message, "n", "fallback"), QString("fallback"));

    qint64 number = 0;
    QVERIFY(JsonFields::integer(message, "n", 0, 100, number) && number == 12);
    QVERIFY(JsonFields::integer(message, "q", 0, 100, number) && number == 34); // quoted
    QVERIFY(!JsonFields::integer(message, "n", 13, 100, number));               // below the range
    QVERIFY(!JsonFields::integer(message, "neg", 0, 100, number));
    QVERIFY(JsonFields::integer(message, "neg", -10, 100, number) && number == -5);
    // Beyond 63 bits an unsigned number would wrap to a negative one.
    QVERIFY(!JsonFields::integer(message, "big", std::numeric_limits<qint64>::min(),
                                 std::numeric_limits<qint64>::max(), number));
    for (const char* key : {"f", "b", "l", "o", "nul", "e", "s", "missing"})
        QVERIFY2(!JsonFields::integer(message, key, std::numeric_limits<qint64>::min(),
                                      std::numeric_limits<qint64>::max(), number),
                 key);
    QCOMPARE(JsonFields::integerOr(message, "f", 0, 100, 7), qint64(7));

    QCOMPARE(JsonFields::flagOr(message, "b", false), true);
    QCOMPARE(JsonFields::flagOr(message, "n", false), false); // 12 is no boolean
    QCOMPARE(JsonFields::flagOr(message, "s", true), true);
    QCOMPARE(JsonFields::listOr(message, "l"), QVariantList{1u});
    QVERIFY(JsonFields::listOr(message, "o").isEmpty());
    QVERIFY(JsonFields::listOr(message, "s").isEmpty());
}

// Found by fuzzing: the operate listener's task decoded a datagram only up
// to its first NUL byte, so a request with a NUL inside a string was lost.
void TestHostileInput::datagramWithANulByteIsReadWhole() {
    static const char request[] = "{\"type\":\"query_result\",\"session_id\":7,\"md5\":\"a\0b\"}";
    const QByteArray datagram(request, sizeof(request) - 1);
    QCOMPARE(datagram.count('\0'), 1);
    const Handled handled = operate(datagram);
    QCOMPARE(handled.replies.size(), 1);
    QCOMPARE(handled.replies.first().value("reason").toString(), QString("not such sessionID"));
    QCOMPARE(handled.replies.first().value("session_id").toUInt(), 7u);
}

void TestHostileInput::operateRequestsWithWrongTypes() {
    // A path that is no string names no offered file.
    Handled handled = operate(json({{"type", "file_download"}, {"file_path", 42}}));
    QCOMPARE(handled.raw, QList<QByteArray>{R"({ "reason" : "File not allow to download.", )"
                                            R"("result" : "fail" })"});

    // A type that is no string is no type: logged, not answered.
    LogCapture log;
    QVERIFY(operate(json({{"type", QVariantList{"query_result"}}})).raw.isEmpty());
    QVERIFY(log.contains("ReplyOperate: does not support operate: "));

    // Session ids: within 32 bits, integers or decimal text; all else names
    // no session and is answered with session 0.
    const SessionTable::Grant grant = SessionTable::instance().grant();
    const QVariant id(grant.sessionId);
    handled = operate(json({{"type", "query_result"}, {"session_id", id}, {"md5", 12345}}));
    QCOMPARE(handled.replies.first().value("reason").toString(), QString("not_complete"));
    handled = operate(json({{"type", "query_result"},
                            {"session_id", QString::number(grant.sessionId)},
                            {"md5", "x"}}));
    QCOMPARE(handled.replies.first().value("reason").toString(), QString("not_complete"));
    for (const QVariant& bad :
         {QVariant(qint64(grant.sessionId) + (qint64(1) << 32)), QVariant(-1), QVariant(1.5),
          QVariant(true), QVariant("1e3"), QVariant(QVariantMap{{"id", id}})}) {
        handled = operate(json({{"type", "query_result"}, {"session_id", bad}, {"md5", "x"}}));
        QCOMPARE(handled.raw.size(), 1);
        QCOMPARE(handled.replies.first().value("reason").toString(), QString("not such sessionID"));
        QCOMPARE(handled.replies.first().value("session_id").toUInt(), 0u);
    }

    // An offer whose path is no string offers nothing the window could save.
    handled = operate(json({{"type", "file_distribution"}, {"file_path", QVariantList{"a"}}}));
    QCOMPARE(handled.offers, QStringList{QString()});
    QVERIFY(handled.raw.isEmpty());
}

void TestHostileInput::offersBeyondThePeersAllowanceAreDropped() {
    OfferAllowance allowance;
    const QHostAddress other(QStringLiteral("127.0.7.2"));
    for (int i = 0; i < OfferAllowance::Burst; ++i)
        QVERIFY(allowance.take(Peer, 1000));
    QVERIFY(!allowance.take(Peer, 1000));
    QVERIFY(allowance.take(other, 1000)); // each peer has its own
    QVERIFY(!allowance.take(Peer, 1000 + 1000 / OfferAllowance::PerSecond - 1));
    QVERIFY(allowance.take(Peer, 1000 + 1000 / OfferAllowance::PerSecond));
    QVERIFY(!allowance.take(Peer, 1000 + 1000 / OfferAllowance::PerSecond));
    // A quiet peer gets its whole burst back, and no more.
    const qint64 later = 1000 + 3600 * 1000;
    for (int i = 0; i < OfferAllowance::Burst; ++i)
        QVERIFY(allowance.take(Peer, later));
    QVERIFY(!allowance.take(Peer, later));

    // Remembering many peers costs a bounded table: while it is full of
    // peers that offered a moment ago a new one is refused; peers whose
    // allowance is whole again are forgotten to make room.
    const qint64 flood = later + 3600 * 1000;
    for (int i = 0; i < OfferAllowance::MaxPeers; ++i)
        QVERIFY(allowance.take(QHostAddress(quint32(0x0A000000 + i)), flood));
    const QHostAddress newcomer(QStringLiteral("127.0.7.3"));
    QVERIFY(!allowance.take(newcomer, flood));
    QVERIFY(allowance.take(newcomer, flood + 1000 / OfferAllowance::PerSecond));

    // The task hands an offer on only while the sender's allowance lasts.
    auto drained = std::make_shared<OfferAllowance>();
    const QByteArray offer = json({{"type", "file_distribution"}, {"file_path", "/x/a.txt"}});
    QCOMPARE(operate(offer, drained).offers, QStringList{"/x/a.txt"});
    // Spend the rest at a moment that lies ahead of the task's clock.
    while (drained->take(Peer, std::numeric_limits<qint64>::max() / 2)) {
    }
    LogCapture log;
    QVERIFY(operate(offer, drained).offers.isEmpty());
    QVERIFY(log.contains("Offer from 127.0.7.1 dropped: too many offers."));
}

void TestHostileInput::discoveryRequestsWithWrongTypes() {
    QVERIFY(discoveryAnswers(json({{"version", "v1.0"}, {"uuid", "dev-7"}})));
    // A uuid that is no string is no uuid: no answer, as without one.
    QVERIFY(!discoveryAnswers(json({{"version", "v1.0"}, {"uuid", 12345}})));
    QVERIFY(!discoveryAnswers(json({{"version", "v1.0"}, {"uuid", QVariantList{"dev-7"}}})));
    // A version that is no string is read like a missing one: it passes.
    QVERIFY(discoveryAnswers(json({{"version", 0.5}, {"uuid", "dev-8"}})));
    // A type that is no string leaves the default in the device table.
    QVERIFY(discoveryAnswers(json({{"uuid", "dev-9"}, {"type", 1}, {"os", true}})));
    const ServerContent stored = DiscoveryListener::instance()->getServer(Peer.toString());
    QCOMPARE(stored.uuid, QString("dev-9"));
    QCOMPARE(stored.type, QString("server"));
    QCOMPARE(stored.os, QString());
}

void TestHostileInput::queryRepliesWithWrongTypes() {
    const DiscoveryServer::ServerInfoGetter getter(nullptr, Peer, 16020);
    const QByteArray reply =
        json({{"name", 7},
              {"version", QVariantList{}},
              {"uuid", "u-1"},
              {"type", false},
              {"support", QVariantList{"file_upload", 5, QVariantMap{}, "Glimmer : 70000",
                                       "Cast : 0", "Glimmer : 5000"}}});
    bool ok = false;
    const ServerContent record = getter.getServerContent(reply.constData(), reply.size(), ok);
    QVERIFY(ok && record.valid);
    QCOMPARE(record.name, QString());
    QCOMPARE(record.version, QString());
    QCOMPARE(record.uuid, QString("u-1"));
    QCOMPARE(record.type, QString("server"));
    // A port outside 1..65535 makes no port entry; a non-string names no feature.
    QCOMPARE(record.supports, (QStringList{"file_upload", "Glimmer : 70000", "Cast : 0"}));
    QCOMPARE(record.supportPorts.size(), 1);
    QCOMPARE(record.supportPort("Glimmer").port, 5000);

    const QByteArray support = json({{"support", "Glimmer : 5000"}}); // no array
    const ServerContent plain = getter.getServerContent(support.constData(), support.size(), ok);
    QVERIFY(ok && plain.supports.isEmpty() && plain.supportPorts.isEmpty());
}

void TestHostileInput::listingRepliesWithWrongTypesAndNoEnd() {
    QList<FileContent> entries;
    const QVariantMap reply =
        parsed(json({{"result", "ok"},
                     {"finished", "true"}, // no boolean: not the last datagram
                     {"file_list",
                      QVariantList{QVariantMap{{"file_name", "a.png"},
                                               {"file_size", -4},
                                               {"date_modified", 1.5},
                                               {"file_type", 3}},
                                   "not an object", QVariantMap{{"file_name", QVariantList{}}}}}}));
    QCOMPARE(int(FileFinder::readReply(reply, entries)), int(FileFinder::Chunk::More));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0).fileName, QString("a.png"));
    QCOMPARE(entries.at(0).fileSize, qint64(10)); // placeholders, as when missing
    QCOMPARE(entries.at(0).dateModified, qint64(10));
    QCOMPARE(entries.at(0).fileType, QString("type"));
    QCOMPARE(entries.at(1).fileName, QString("AAA"));
    QCOMPARE(entries.at(2).fileName, QString("AAA"));

    // A list that is no array holds nothing; "fail" refuses whatever else.
    QCOMPARE(
        int(FileFinder::readReply(
            parsed(json({{"file_list", QVariantMap{{"a", 1}}}, {"finished", true}})), entries)),
        int(FileFinder::Chunk::Finished));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(int(FileFinder::readReply(parsed(json({{"result", "fail"}})), entries)),
             int(FileFinder::Chunk::Refused));

    // A device that never stops cannot grow a listing without end.
    QVariantList many;
    for (int i = 0; i < 1000; ++i)
        many.append(QVariantMap{{"file_name", QString::number(i)}});
    const QVariantMap big{{"result", "ok"}, {"file_list", many}};
    QList<FileContent> capped;
    for (int i = 0; i < FileFinder::MaxEntries / 1000 + 5; ++i)
        FileFinder::readReply(big, capped);
    QCOMPARE(capped.size(), FileFinder::MaxEntries);
}

void TestHostileInput::transferRepliesWithWrongTypes() {
    using Grant = TransferReplies::Grant;
    TransferReplies::Granted granted;
    auto upload = [&](const QVariantMap& reply) {
        granted = TransferReplies::Granted();
        return int(TransferReplies::readUploadGrant(parsed(json(reply)), granted));
    };
    QCOMPARE(upload({{"result", "ok"}, {"session_id", 3}, {"tcp_port", "20000"}}),
             int(Grant::Granted));
    QCOMPARE(int(granted.tcpPort), 20000);
    // Beyond the task's 32-bit integer, the id would be polled as another one.
    QCOMPARE(upload({{"result", "ok"}, {"session_id", qint64(1) << 31}, {"tcp_port", 1}}),
             int(Grant::BadSessionId));
    QCOMPARE(upload({{"result", "ok"}, {"session_id", 1.0}, {"tcp_port", 1}}),
             int(Grant::BadSessionId));
    for (const QVariant& port : {QVariant(0), QVariant(65536), QVariant(-1), QVariant("x"),
                                 QVariant(20000.5), QVariant()}) {
        QCOMPARE(upload({{"result", "ok"}, {"session_id", 3}, {"tcp_port", port}}),
                 int(Grant::BadTcpPort));
    }
    QCOMPARE(upload({{"result", 1}, {"session_id", 3}}), int(Grant::UnknownResult));

    auto download = [&](const QVariantMap& reply) {
        granted = TransferReplies::Granted();
        return int(TransferReplies::readDownloadGrant(parsed(json(reply)), granted));
    };
    QCOMPARE(download({{"result", "ok"}, {"tcp_port", 20001}, {"file_size", -1}}),
             int(Grant::Granted));
    QCOMPARE(granted.fileSize, qint64(0)); // a negative size counts as none
    QCOMPARE(granted.sessionId, qint64(0));
    QCOMPARE(download({{"result", "ok"}, {"tcp_port", 20001}, {"file_size", 2.5e9}}),
             int(Grant::Granted));
    QCOMPARE(granted.fileSize, qint64(0));
    QCOMPARE(download({{"result", "ok"}, {"tcp_port", 20001}, {"file_size", "4294967296"}}),
             int(Grant::Granted));
    QCOMPARE(granted.fileSize, qint64(1) << 32);
    QCOMPARE(download({{"result", "ok"}, {"tcp_port", true}}), int(Grant::BadTcpPort));
    QCOMPARE(download({{"result", "okay"}, {"tcp_port", 1}}), int(Grant::Refused));

    qint64 session = 0;
    QCOMPARE(int(TransferReplies::readPoll(parsed(json({{"result", "ok"}})), session)),
             int(TransferReplies::Poll::NoSessionId));
    QCOMPARE(int(TransferReplies::readPoll(
                 parsed(json({{"result", "fail"}, {"reason", 5}, {"session_id", 4}})), session)),
             int(TransferReplies::Poll::Disputed));
    QCOMPARE(session, qint64(4));
    QCOMPARE(int(TransferReplies::readPoll(
                 parsed(json({{"result", "fail"}, {"reason", "not_complete"}, {"session_id", 4}})),
                 session)),
             int(TransferReplies::Poll::NotComplete));
}

void TestHostileInput::castRepliesWithWrongTypes() {
    CastReply reply = CastReply::read(parsed(json({{"result", "ok"},
                                                   {"need_passwd", "yes"},
                                                   {"random_data", 1234},
                                                   {"uuid", QVariantMap{}},
                                                   {"ip", 10}})));
    QVERIFY(reply.ok);
    QVERIFY(!reply.needPassword); // "yes" is no boolean
    QCOMPARE(reply.randomData, QString());
    QCOMPARE(reply.deviceUuid, QString());
    QCOMPARE(reply.ip, QString());

    reply = CastReply::read(parsed(json({{"result", "fail"}, {"error_code", "-1002"}})));
    QVERIFY(!reply.ok);
    QCOMPARE(reply.errorCode, -1002); // a quoted number is a number
    reply = CastReply::read(parsed(json({{"result", "fail"}, {"error_code", qint64(1) << 40}})));
    QCOMPARE(reply.errorCode, int(CastReply::UnknownErrorCode));
    reply = CastReply::read(parsed(json({{"result", true}, {"error_code", -1002.0}})));
    QVERIFY(!reply.ok);
    QCOMPARE(reply.errorCode, int(CastReply::UnknownErrorCode));
}

void TestHostileInput::controlLinesInPiecesAndOverlongLines() {
    const QByteArray stream = QByteArray("castConn") + "ected\r\ncastPaused\ncast" + '\0' +
                              "Resumed\r\n" +
                              QByteArray(ControlLineReader::MaxLineLength + 10, 'x') + "\r\n" +
                              "castResumed\r\nunknown\r\ncastDis";
    for (int piece : {1, 3, 7, 4096, 100000}) {
        ControlLineReader reader;
        QList<CastControllerClient::Event> events;
        QStringList lines;
        for (int at = 0; at < stream.size(); at += piece) {
            reader.append(stream.mid(at, piece));
            QByteArray line;
            while (reader.takeLine(line)) {
                lines << QString::fromLatin1(line);
                events << CastControllerClient::eventOf(line);
            }
            QVERIFY(reader.pendingSize() <= ControlLineReader::MaxLineLength + piece);
        }
        // The overlong line is gone whole; a NUL ends its line's word.
        QCOMPARE(lines,
                 (QStringList{"castConnected", "castPaused", "cast", "castResumed", "unknown"}));
        QCOMPARE(events,
                 (QList<CastControllerClient::Event>{
                     CastControllerClient::Event::CastConnected,
                     CastControllerClient::Event::CastPaused, CastControllerClient::Event::None,
                     CastControllerClient::Event::CastResumed, CastControllerClient::Event::None}));
        QCOMPARE(reader.pendingSize(), 7); // "castDis" waits for its end
    }

    // A program that never ends a line holds no more than one line's worth.
    ControlLineReader reader;
    QByteArray line;
    for (int i = 0; i < 100; ++i) {
        reader.append(QByteArray(1000, 'y'));
        QVERIFY(!reader.takeLine(line));
        QVERIFY(reader.pendingSize() <= ControlLineReader::MaxLineLength + 1000);
    }
    reader.append("tail\r\ncastPaused\r\n");
    QVERIFY(reader.takeLine(line)); // the end of the overlong line goes with it
    QCOMPARE(line, QByteArray("castPaused"));
}

void TestHostileInput::uploadResumeOffsetsOutsideTheFileAreRefused() {
    QFile file(dir_->filePath("upload.bin"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(QByteArray(100, 'u'));
    QTcpServer device;
    QVERIFY(device.listen(QHostAddress(QStringLiteral("127.0.7.3")), 0));
    for (const qint64 offset :
         {qint64(-1), qint64(101), std::numeric_limits<qint64>::max(), qint64(100)}) {
        QTcpSocket client;
        client.connectToHost(device.serverAddress(), device.serverPort());
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(device.waitForNewConnection(5000));
        std::unique_ptr<QTcpSocket> deviceSide(device.nextPendingConnection());
        deviceSide->write(TcpTransfer::encodeOffset(offset));
        QVERIFY(deviceSide->waitForBytesWritten(5000));

        TcpTransfer transfer(client, file, TcpTransfer::Direction::Send, file.size());
        transfer.setTimeout(5000);
        const bool done = transfer.run(TcpTransfer::Offset::Read);
        if (offset == 100) { // the end of the file: nothing left to send
            QVERIFY(done);
            continue;
        }
        QVERIFY(!done);
        QCOMPARE(transfer.failure(),
                 TransferFailure(TransferFailure::BadResumeOffset,
                                 QStringLiteral("offset %1 out of range").arg(offset)));
    }
}

void TestHostileInput::picturesAnnouncingHugeSizesAreNotDecoded() {
    QCOMPARE(ThumbnailImage::decode(pngAnnouncing(3, 2)).size(), QSize(3, 2));
    QVERIFY(ThumbnailImage::decode(pngAnnouncing(100000, 2)).isNull());
    QVERIFY(ThumbnailImage::decode(pngAnnouncing(4097, 4097)).isNull());
    QVERIFY(ThumbnailImage::decode("not a picture").isNull());
    QVERIFY(ThumbnailImage::decode(QByteArray()).isNull());

    // A local file, a pushed one say, may be a large photograph, not more.
    auto file = [&](const QString& name, const QByteArray& content) {
        QFile out(dir_->filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(content);
        return out.fileName();
    };
    QCOMPARE(ThumbnailImage::decodeFile(file("small.png", pngAnnouncing(3, 2))).size(),
             QSize(3, 2));
    QVERIFY(ThumbnailImage::decodeFile(file("bomb.png", pngAnnouncing(60000, 60000))).isNull());
    QVERIFY(ThumbnailImage::decodeFile(file("wide.png", pngAnnouncing(20000, 1))).isNull());
    QVERIFY(ThumbnailImage::decodeFile(dir_->filePath("missing.png")).isNull());
}

QTEST_GUILESS_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
