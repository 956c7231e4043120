// The device simulator's own logic: how it maps, lists, sorts and splits its
// store, makes thumbnails, reads its command line, answers requests and runs
// resumable TCP transfers. The client against the simulator is tested
// elsewhere (end-to-end).
#include "EventLog.h"
#include "FileStore.h"
#include "RequestHandler.h"
#include "SessionManager.h"
#include "SimDevice.h"
#include "SimOptions.h"
#include "Thumbnailer.h"

#include "tavlo/TcpTransfer.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

QByteArray pattern(int size) {
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 251) & 0xff);
    return data;
}

QString md5Hex(const QByteArray& data) {
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

bool writeFile(const QString& path, const QByteArray& data, qint64 modifiedMs = -1) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush())
        return false;
    if (modifiedMs >= 0)
        return file.setFileTime(QDateTime::fromMSecsSinceEpoch(modifiedMs, Qt::UTC),
                                QFileDevice::FileModificationTime);
    return true;
}

QStringList namesOf(const QList<StoreEntry>& entries) {
    QStringList names;
    for (const StoreEntry& entry : entries)
        names << entry.name;
    return names;
}

// Runs blocking client code on its own thread while the test's event loop
// keeps the simulator's listener accepting.
bool runClient(const std::function<void()>& client, int timeoutMs = 15000) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        client();
        done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    thread.join();
    return done;
}

QByteArray readUntilClosed(QTcpSocket& socket, qint64 limit) {
    QByteArray data;
    while (data.size() < limit) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(3000))
            break;
        data += socket.read(limit - data.size());
    }
    return data;
}

// A device's request side on a temporary store, its event lines captured.
struct Sim {
    explicit Sim(const SimFaults& faults = SimFaults(),
                 const TransferSession::Config& config = TransferSession::Config(),
                 int listingChunk = 2)
        : store(dir.path())
        , out(std::tmpfile())
        , log(false, out)
        , sessions(config, log)
        , handler(store, sessions, faults, listingChunk, QHostAddress(QHostAddress::LocalHost),
                  log) {
        store.prepare({});
    }
    ~Sim() {
        sessions.shutdown();
        std::fclose(out);
    }

    QVariantMap ask(const QVariantMap& request) { return handler.handle(request).value(0); }
    QVariantMap poll(const QVariant& sessionId, const QString& md5) {
        return ask({{Protocol::TYPE, Protocol::QUERY_RESULT},
                    {Protocol::SESSION_ID, sessionId},
                    {Protocol::MD5, md5}});
    }
    QString events() {
        std::fflush(out);
        std::rewind(out);
        QByteArray text;
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, out)) > 0)
            text.append(buffer, int(read));
        return QString::fromUtf8(text);
    }

    QTemporaryDir dir;
    FileStore store;
    FILE* out;
    EventLog log;
    SessionManager sessions;
    RequestHandler handler;
};

} // namespace

class TestDeviceSim : public QObject {
    Q_OBJECT
private slots:
    void mapsDevicePaths_data();
    void mapsDevicePaths();
    void symbolicLinkCannotLeaveTheStore();
    void uploadTargetsTakePlainNamesOnly_data();
    void uploadTargetsTakePlainNamesOnly();

    void listsEntriesWithTypesSizesAndDates();
    void sortsInEveryOrder_data();
    void sortsInEveryOrder();
    void chunksListings_data();
    void chunksListings();

    void thumbnailsFitTheBox_data();
    void thumbnailsFitTheBox();
    void thumbnailOfANoisyPictureFitsADatagram();
    void thumbnailFailures();

    void optionDefaults();
    void severalAddressesGetDistinctNamesAndUuids();
    void readsProbeAndFaultOptions();
    void rejectsBadOptions_data();
    void rejectsBadOptions();
    void tellsBroadcastDestinations();

    void listingRequestsSplitAndMarkTheLastDatagram();
    void requestsCannotLeaveTheStore();
    void forcedFailuresKeepTheSessionId();
    void fileOperationsReportEvents();

    void uploadResumesFromTheDeviceOffset();
    void downloadResumesFromTheClientOffset();
    void pollsAnswerNotCompleteWhenAskedTo();
    void idleSessionStopsListening();
};

// ---- paths -----------------------------------------------------------------

void TestDeviceSim::mapsDevicePaths_data() {
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("expected"); // relative to the store root; "-" = rejected

    QTest::newRow("top level") << ""
                               << "normal";
    QTest::newRow("slash") << "/"
                           << "normal";
    QTest::newRow("folder") << "/Pictures"
                            << "normal/Pictures";
    QTest::newRow("no leading slash, trailing slash") << "Pictures/"
                                                      << "normal/Pictures";
    QTest::newRow("upload folder") << "/Tavlo/上传/a.txt"
                                   << "normal/Tavlo/上传/a.txt";
    QTest::newRow("dot and double slash") << "/Tavlo/./x//y"
                                          << "normal/Tavlo/x/y";
    QTest::newRow("parent escape") << "/../secure/a"
                                   << "-";
    QTest::newRow("parent inside") << "/Tavlo/../Pictures"
                                   << "-";
    QTest::newRow("secure name") << "secure:/report.pdf"
                                 << "secure/report.pdf";
    QTest::newRow("secure escape") << "secure:/../normal/x"
                                   << "-";
    QTest::newRow("nul") << QString("/a") + QChar(0) + "b"
                         << "-";
}

void TestDeviceSim::mapsDevicePaths() {
    QFETCH(QString, remote);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const FileStore store(dir.path());
    QVERIFY(store.prepare({}));
    const QString mapped = store.mapRemote(remote);
    if (expected == "-")
        QVERIFY2(mapped.isEmpty(), qPrintable(mapped));
    else
        QCOMPARE(mapped, store.root() + '/' + expected);
}

void TestDeviceSim::symbolicLinkCannotLeaveTheStore() {
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.filePath("secret.txt"), "secret"));
    const FileStore store(dir.path());
    QVERIFY(store.prepare({}));
    QVERIFY(QFile::link(outside.path(), store.normalRoot() + "/Pictures/out"));
    QVERIFY(store.mapNormal("/Pictures/out").isEmpty());
    QVERIFY(store.mapNormal("/Pictures/out/secret.txt").isEmpty());
    QList<StoreEntry> entries;
    QVERIFY(!store.list("/Pictures/out", entries));
}

void TestDeviceSim::uploadTargetsTakePlainNamesOnly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("secure");
    QTest::addColumn<QString>("expected");

    QTest::newRow("normal") << "a b.txt" << false << "normal/Tavlo/上传/a b.txt";
    QTest::newRow("secure") << "a.txt" << true << "secure/a.txt";
    QTest::newRow("empty") << "" << false << "-";
    QTest::newRow("with folder") << "x/a.txt" << false << "-";
    QTest::newRow("parent") << ".." << true << "-";
}

void TestDeviceSim::uploadTargetsTakePlainNamesOnly() {
    QFETCH(QString, name);
    QFETCH(bool, secure);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const FileStore store(dir.path());
    const QString target = store.uploadTarget(name, secure);
    if (expected == "-")
        QVERIFY2(target.isEmpty(), qPrintable(target));
    else
        QCOMPARE(target, store.root() + '/' + expected);
}

// ---- listing ---------------------------------------------------------------

void TestDeviceSim::listsEntriesWithTypesSizesAndDates() {
    QTemporaryDir dir;
    const FileStore store(dir.path());
    QVERIFY(store.prepare({"Documents"}));
    QVERIFY(writeFile(store.normalRoot() + "/Tavlo/a.txt", "12345", 1700000000123));

    QList<StoreEntry> top;
    QVERIFY(store.list("", top));
    FileStore::sort(top, Protocol::FILE_NAME_INCREASE);
    QCOMPARE(namesOf(top), QStringList({"Documents", "Pictures", "Tavlo", "Whiteboard"}));

    QList<StoreEntry> tavlo;
    QVERIFY(store.list("/Tavlo", tavlo));
    FileStore::sort(tavlo, Protocol::FILE_NAME_INCREASE);
    QCOMPARE(namesOf(tavlo), QStringList({"a.txt", "上传"}));
    const QVariantMap file = FileStore::toJson(tavlo.at(0));
    QCOMPARE(file.value(Protocol::FILE_TYPE).toString(), Protocol::FILE);
    QCOMPARE(file.value(Protocol::FILE_SIZE).toLongLong(), 5);
    QCOMPARE(file.value(Protocol::DATE_MODIFIED).toLongLong(), 1700000000123);
    QCOMPARE(FileStore::toJson(tavlo.at(1)).value(Protocol::FILE_TYPE).toString(), Protocol::DIR);

    QList<StoreEntry> none;
    QVERIFY(!store.list("/Nowhere", none));
    QVERIFY(!store.list("/Tavlo/a.txt", none));
}

void TestDeviceSim::sortsInEveryOrder_data() {
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("expected");

    // b and C share a date, a and C a size: ties go by name, case ignored.
    QTest::newRow("date decrease")
        << Protocol::DATE_MODIFIED_DECREASE << QStringList{"d", "b", "C", "a"};
    QTest::newRow("date increase")
        << Protocol::DATE_MODIFIED_INCREASE << QStringList{"a", "b", "C", "d"};
    QTest::newRow("size decrease")
        << Protocol::FILE_SIZE_DECREASE << QStringList{"b", "a", "C", "d"};
    QTest::newRow("size increase")
        << Protocol::FILE_SIZE_INCREASE << QStringList{"d", "a", "C", "b"};
    QTest::newRow("name decrease")
        << Protocol::FILE_NAME_DECREASE << QStringList{"d", "C", "b", "a"};
    QTest::newRow("name increase")
        << Protocol::FILE_NAME_INCREASE << QStringList{"a", "b", "C", "d"};
    QTest::newRow("unknown order") << "sideways" << QStringList{"a", "b", "C", "d"};
}

void TestDeviceSim::sortsInEveryOrder() {
    QFETCH(QString, order);
    QFETCH(QStringList, expected);
    QList<StoreEntry> entries{{"C", false, 50, 2000},
                              {"a", false, 50, 1000},
                              {"d", true, 0, 3000},
                              {"b", false, 70, 2000}};
    FileStore::sort(entries, order);
    QCOMPARE(namesOf(entries), expected);
}

void TestDeviceSim::chunksListings_data() {
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("empty") << 0 << 20 << QList<int>{0};
    QTest::newRow("one short chunk") << 3 << 20 << QList<int>{3};
    QTest::newRow("exact multiple") << 4 << 2 << QList<int>{2, 2};
    QTest::newRow("remainder") << 5 << 2 << QList<int>{2, 2, 1};
    QTest::newRow("one per datagram") << 3 << 1 << QList<int>{1, 1, 1};
}

void TestDeviceSim::chunksListings() {
    QFETCH(int, entries);
    QFETCH(int, size);
    QFETCH(QList<int>, expected);
    QList<StoreEntry> list;
    for (int i = 0; i < entries; ++i)
        list << StoreEntry{QString::number(i), false, i, i};
    const QList<QVariantList> chunks = FileStore::chunk(list, size);
    QList<int> sizes;
    QStringList order;
    for (const QVariantList& chunk : chunks) {
        sizes << chunk.size();
        for (const QVariant& entry : chunk)
            order << entry.toMap().value(Protocol::FILE_NAME).toString();
    }
    QCOMPARE(sizes, expected);
    QCOMPARE(order, namesOf(list)); // order kept across datagrams
}

// ---- thumbnails --------------------------------------------------------------

void TestDeviceSim::thumbnailsFitTheBox_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("landscape") << QSize(800, 600) << QSize(160, 120);
    QTest::newRow("portrait") << QSize(300, 500) << QSize(96, 160);
    QTest::newRow("small stays") << QSize(100, 50) << QSize(100, 50);
}

void TestDeviceSim::thumbnailsFitTheBox() {
    QFETCH(QSize, picture);
    QFETCH(QSize, expected);
    QTemporaryDir dir;
    QImage image(picture, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir.filePath("pic.JPG.png");
    QVERIFY(image.save(path));
    QByteArray thumb;
    QCOMPARE(Thumbnailer::make(path, thumb), Thumbnailer::Result::Ok);
    const QImage decoded = QImage::fromData(QByteArray::fromBase64(thumb), "PNG");
    QCOMPARE(decoded.size(), expected);
}

void TestDeviceSim::thumbnailOfANoisyPictureFitsADatagram() {
    QTemporaryDir dir;
    QImage noise(400, 400, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random.generate() | 0xff000000u);
    }
    QVERIFY(noise.save(dir.filePath("noise.png")));
    QByteArray thumb;
    QCOMPARE(Thumbnailer::make(dir.filePath("noise.png"), thumb), Thumbnailer::Result::Ok);
    QVERIFY(thumb.size() <= Thumbnailer::MaxBase64Size);
    const QImage decoded = QImage::fromData(QByteArray::fromBase64(thumb), "PNG");
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.width(), decoded.height());
    QVERIFY(decoded.width() <= Thumbnailer::MaxSide);
}

void TestDeviceSim::thumbnailFailures() {
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("notes.txt"), "text"));
    QVERIFY(writeFile(dir.filePath("broken.png"), "not a png"));
    QVERIFY(QDir(dir.path()).mkdir("folder.png"));
    QByteArray thumb;
    QCOMPARE(Thumbnailer::make(dir.filePath("notes.txt"), thumb), Thumbnailer::Result::NotAPicture);
    QCOMPARE(Thumbnailer::make(dir.filePath("broken.png"), thumb),
             Thumbnailer::Result::NotAPicture);
    QCOMPARE(Thumbnailer::make(dir.filePath("missing.png"), thumb), Thumbnailer::Result::Missing);
    QCOMPARE(Thumbnailer::make(dir.filePath("folder.png"), thumb), Thumbnailer::Result::Missing);
    QCOMPARE(Thumbnailer::make(QString(), thumb), Thumbnailer::Result::Missing);
}

// ---- command line ------------------------------------------------------------

void TestDeviceSim::optionDefaults() {
    SimOptions options;
    QVERIFY2(options.parse({"sim", "--address", "127.0.0.2"}), qPrintable(options.errorText()));
    QCOMPARE(options.mode(), SimOptions::Mode::Devices);
    QCOMPARE(options.queryPort, quint16(16020));
    QCOMPARE(options.requestPort, quint16(16021));
    QCOMPARE(options.listingChunk, 20);
    QCOMPARE(options.faults.dropAfterBytes, qint64(-1));
    const QList<DeviceIdentity> devices = options.devices();
    QCOMPARE(devices.size(), 1);
    const QVariantMap reply = SimDevice::describe(devices.at(0));
    QCOMPARE(reply.value(Protocol::NAME).toString(), QString("Tavlo-Sim"));
    QCOMPARE(reply.value(Protocol::UUID).toString(), QString("sim-127-0-0-2"));
    QCOMPARE(reply.value(Protocol::VERSION).toString(), Protocol::V1_0);
    QCOMPARE(reply.value(Protocol::OS).toString(), QString("Android"));
    QCOMPARE(reply.value(Protocol::TYPE).toString(), Protocol::SERVER);
    QCOMPARE(reply.value(Protocol::SUPPORT).toStringList(),
             QStringList({Protocol::FILE_UPLOAD, "Glimmer : 5000"}));

    SimOptions wildcard;
    QVERIFY(wildcard.parse({"sim"}));
    QCOMPARE(wildcard.devices().at(0).address, QHostAddress(QHostAddress::AnyIPv4));
}

void TestDeviceSim::severalAddressesGetDistinctNamesAndUuids() {
    SimOptions derived;
    QVERIFY(derived.parse(
        {"sim", "--address", "127.0.0.2", "--address", "127.0.0.3", "--name", "Room"}));
    QList<DeviceIdentity> devices = derived.devices();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.at(0).name, QString("Room"));
    QCOMPARE(devices.at(1).name, QString("Room #2"));
    QCOMPARE(devices.at(1).uuid, QString("sim-127-0-0-3"));

    SimOptions given;
    QVERIFY(given.parse({"sim", "--address", "127.0.0.2", "--address", "127.0.0.3", "--address",
                         "127.0.0.4", "--uuid", "u"}));
    devices = given.devices();
    QCOMPARE(devices.at(0).uuid, QString("u"));
    QCOMPARE(devices.at(2).uuid, QString("u-3"));
    QCOMPARE(devices.at(2).name, QString("Tavlo-Sim #3"));
}

void TestDeviceSim::readsProbeAndFaultOptions() {
    SimOptions options;
    QVERIFY2(options.parse({"sim", "--ask-pc", "127.0.0.5:17000", "--wait", "0.5", "--probe-uuid",
                            "", "--fail", "file_list:a:b", "--fail", "salutatory:", "--drop-after",
                            "0", "--drop-times", "3"}),
             qPrintable(options.errorText()));
    QCOMPARE(options.mode(), SimOptions::Mode::AskPc);
    QCOMPARE(options.askPcAddress, QHostAddress("127.0.0.5"));
    QCOMPARE(options.askPcPort, quint16(17000));
    QCOMPARE(options.waitMs, 500);
    QVERIFY(options.probeUuid.isEmpty());
    QCOMPARE(options.probeVersion, Protocol::V1_0);
    QCOMPARE(options.faults.failReasons.value(Protocol::FILE_LIST), QString("a:b"));
    QVERIFY(options.faults.failReasons.contains(Protocol::SALUTATORY));
    QCOMPARE(options.faults.dropAfterBytes, qint64(0));
    QCOMPARE(options.faults.dropTimes, 3);

    SimOptions defaultPort;
    QVERIFY(defaultPort.parse({"sim", "--ask-pc", "127.0.0.5"}));
    QCOMPARE(defaultPort.askPcPort, quint16(16020));
}

void TestDeviceSim::rejectsBadOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("host name") << QStringList{"--address", "localhost"};
    QTest::newRow("ipv6") << QStringList{"--address", "::1"};
    QTest::newRow("same address twice")
        << QStringList{"--address", "127.0.0.2", "--address", "127.0.0.2"};
    QTest::newRow("port too big") << QStringList{"--query-port", "65536"};
    QTest::newRow("chunk zero") << QStringList{"--listing-chunk", "0"};
    QTest::newRow("negative drop") << QStringList{"--drop-after", "-1"};
    QTest::newRow("fail without type") << QStringList{"--fail", ":reason"};
    QTest::newRow("fail without colon") << QStringList{"--fail", "file_list"};
    QTest::newRow("probe port") << QStringList{"--ask-pc", "127.0.0.1:x"};
    QTest::newRow("wait zero") << QStringList{"--wait", "0"};
    QTest::newRow("extra folder path") << QStringList{"--extra-top-folder", "a/b"};
    QTest::newRow("positional") << QStringList{"stray"};
    QTest::newRow("unknown") << QStringList{"--frobnicate"};
}

void TestDeviceSim::rejectsBadOptions() {
    QFETCH(QStringList, arguments);
    SimOptions options;
    QVERIFY(!options.parse(QStringList{"sim"} + arguments));
    QVERIFY(!options.errorText().isEmpty());
}

void TestDeviceSim::tellsBroadcastDestinations() {
    QVERIFY(SimDevice::isBroadcast(QHostAddress(QHostAddress::Broadcast)));
    QVERIFY(!SimDevice::isBroadcast(QHostAddress(QHostAddress::LocalHost)));
    QVERIFY(!SimDevice::isBroadcast(QHostAddress()));

    // --no-broadcast relies on the socket reporting where a datagram went.
    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    QUdpSocket sender;
    sender.writeDatagram("x", QHostAddress(QHostAddress::LocalHost), receiver.localPort());
    QVERIFY(receiver.waitForReadyRead(3000));
    QCOMPARE(receiver.receiveDatagram().destinationAddress(),
             QHostAddress(QHostAddress::LocalHost));
}

// ---- requests ----------------------------------------------------------------

void TestDeviceSim::listingRequestsSplitAndMarkTheLastDatagram() {
    Sim sim;
    for (int i = 0; i < 5; ++i)
        QVERIFY(writeFile(sim.store.normalRoot() + QString("/Whiteboard/n%1.txt").arg(i),
                          QByteArray(i + 1, 'x')));
    const QVariantMap request{{Protocol::TYPE, Protocol::FILE_LIST},
                              {Protocol::FILE_PATH, "/Whiteboard"},
                              {Protocol::KEY, "0"},
                              {Protocol::SORT, Protocol::FILE_SIZE_DECREASE}};
    const QList<QVariantMap> replies = sim.handler.handle(request);
    QCOMPARE(replies.size(), 3);
    QStringList names;
    QList<bool> finished;
    for (const QVariantMap& reply : replies) {
        QCOMPARE(reply.value(Protocol::RESULT).toString(), Protocol::OK);
        finished << reply.value(Protocol::FINISHED).toBool();
        for (const QVariant& entry : reply.value(Protocol::FILE_LIST).toList())
            names << entry.toMap().value(Protocol::FILE_NAME).toString();
    }
    QCOMPARE(finished, QList<bool>({false, false, true}));
    QCOMPARE(names, QStringList({"n4.txt", "n3.txt", "n2.txt", "n1.txt", "n0.txt"}));

    SimFaults faults;
    faults.noFinished = true;
    Sim endless(faults);
    const QList<QVariantMap> empty =
        endless.handler.handle({{Protocol::TYPE, Protocol::FILE_LIST},
                                {Protocol::FILE_PATH, "/Tavlo/上传"},
                                {Protocol::SORT, Protocol::FILE_NAME_INCREASE}});
    QCOMPARE(empty.size(), 1);
    QVERIFY(empty.at(0).value(Protocol::FILE_LIST).toList().isEmpty());
    QCOMPARE(empty.at(0).value(Protocol::FINISHED), QVariant(false));
}

void TestDeviceSim::requestsCannotLeaveTheStore() {
    Sim sim;
    QVERIFY(writeFile(sim.dir.filePath("outside.txt"), "x"));
    const QVariantMap listing =
        sim.ask({{Protocol::TYPE, Protocol::FILE_LIST}, {Protocol::FILE_PATH, "/.."}});
    QCOMPARE(listing.value(Protocol::REASON).toString(), QString("No such directory."));
    for (const QString& type : {Protocol::FILE_DOWNLOAD, Protocol::FILE_DELETE, Protocol::FILE_OPEN,
                                Protocol::GET_THUMB}) {
        const QVariantMap reply =
            sim.ask({{Protocol::TYPE, type}, {Protocol::FILE_PATH, "/../../outside.txt"}});
        QCOMPARE(reply.value(Protocol::RESULT).toString(), Protocol::FAIL);
        QCOMPARE(reply.value(Protocol::REASON).toString(), QString("File not exists."));
    }
    QVERIFY(QFile::exists(sim.dir.filePath("outside.txt")));

    const QVariantMap upload = sim.ask({{Protocol::TYPE, Protocol::FILE_UPLOAD},
                                        {Protocol::FILE_NAME, "../x"},
                                        {Protocol::FILE_SIZE, 1},
                                        {Protocol::OPTION, Protocol::NORMAL}});
    QCOMPARE(upload.value(Protocol::RESULT).toString(), Protocol::FAIL);
    QVERIFY(upload.contains(Protocol::SESSION_ID)); // the client reads it before the result
}

void TestDeviceSim::forcedFailuresKeepTheSessionId() {
    SimFaults faults;
    faults.failReasons.insert(Protocol::FILE_UPLOAD, "Disk full");
    faults.failReasons.insert(Protocol::QUERY_RESULT, "gone");
    faults.failReasons.insert(Protocol::SALUTATORY, "Busy");
    Sim sim(faults);

    const QVariantMap upload = sim.ask({{Protocol::TYPE, Protocol::FILE_UPLOAD},
                                        {Protocol::FILE_NAME, "a"},
                                        {Protocol::FILE_SIZE, 1}});
    QCOMPARE(upload.value(Protocol::REASON).toString(), QString("Disk full"));
    QCOMPARE(upload.value(Protocol::SESSION_ID).userType(), int(QMetaType::Int));

    const QVariantMap poll = sim.poll(41, "x");
    QCOMPARE(poll.value(Protocol::REASON).toString(), QString("gone"));
    QCOMPARE(poll.value(Protocol::SESSION_ID).toInt(), 41); // or the client keeps polling

    const QVariantMap welcome =
        sim.ask({{Protocol::TYPE, Protocol::SALUTATORY}, {Protocol::SALUTATORY, "hi"}});
    QCOMPARE(welcome.value(Protocol::REASON).toString(), QString("Busy"));
    QVERIFY(sim.handler.salutatory().isEmpty());
}

void TestDeviceSim::fileOperationsReportEvents() {
    Sim sim;
    QVERIFY(writeFile(sim.store.normalRoot() + "/Tavlo/a.txt", "a"));
    QVERIFY(writeFile(sim.store.secureRoot() + "/s.pdf", "s"));

    auto result = [&](const QVariantMap& request) {
        return sim.ask(request).value(Protocol::RESULT).toString();
    };
    QCOMPARE(result({{Protocol::TYPE, Protocol::FILE_OPEN},
                     {Protocol::OPTION, Protocol::SECURE},
                     {Protocol::FILE_PATH, "s.pdf"}}),
             Protocol::OK);
    QCOMPARE(result({{Protocol::TYPE, Protocol::FILE_OPEN},
                     {Protocol::OPTION, Protocol::NORMAL},
                     {Protocol::FILE_PATH, "s.pdf"}}),
             Protocol::FAIL);
    QCOMPARE(
        result({{Protocol::TYPE, Protocol::FILE_DELETE}, {Protocol::FILE_PATH, "secure:/s.pdf"}}),
        Protocol::OK);
    QVERIFY(!QFile::exists(sim.store.secureRoot() + "/s.pdf"));
    QCOMPARE(result({{Protocol::TYPE, Protocol::FILE_DELETE}, {Protocol::FILE_PATH, "/Tavlo"}}),
             Protocol::FAIL); // folders are not deleted
    QCOMPARE(result({{Protocol::TYPE, Protocol::SALUTATORY}, {Protocol::SALUTATORY, "a\nb"}}),
             Protocol::OK);
    QCOMPARE(sim.handler.salutatory(), QString("a\nb"));
    QCOMPARE(sim.ask({{Protocol::TYPE, "cast"}}).value(Protocol::REASON).toString(),
             QString("Unsupported request."));

    const QStringList lines = sim.events().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines,
             QStringList({"opened secure:/s.pdf", "deleted secure:/s.pdf", "salutatory a\\nb"}));
}

// ---- transfers ---------------------------------------------------------------

void TestDeviceSim::uploadResumesFromTheDeviceOffset() {
    TransferSession::Config config;
    config.cutAfterBytes = 1000;
    config.cutConnections = 2;
    config.ioTimeoutMs = 3000;
    Sim sim(SimFaults(), config);
    const QByteArray data = pattern(3000);
    // An older, longer file of the same name must not leave its tail behind.
    QVERIFY(writeFile(sim.store.uploadTarget("u.bin", false), QByteArray(5000, 'z')));
    const QVariantMap reply = sim.ask({{Protocol::TYPE, Protocol::FILE_UPLOAD},
                                       {Protocol::FILE_NAME, "u.bin"},
                                       {Protocol::FILE_SIZE, data.size()},
                                       {Protocol::OPTION, Protocol::NORMAL}});
    QCOMPARE(reply.value(Protocol::RESULT).toString(), Protocol::OK);
    const int id = reply.value(Protocol::SESSION_ID).toInt();
    const quint16 port = quint16(reply.value(Protocol::TCP_PORT).toUInt());
    QCOMPARE(sim.poll(id, md5Hex(data)).value(Protocol::REASON).toString(), Protocol::NOT_COMPLETE);

    QList<qint64> offsets;
    QVERIFY(runClient([&] {
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(3000))
                return;
            qint64 offset = 0;
            if (attempt > 0) { // the device speaks first on a resumed connection
                QByteArray bytes;
                while (bytes.size() < 8 && socket.waitForReadyRead(3000))
                    bytes += socket.read(8 - bytes.size());
                offset = TcpTransfer::decodeOffset(bytes.leftJustified(8, '\0'));
            }
            offsets << offset;
            socket.write(data.mid(int(offset)));
            socket.waitForBytesWritten(3000);
            socket.waitForDisconnected(3000);
        }
    }));
    QCOMPARE(offsets, QList<qint64>({0, 1000, 2000}));

    QTRY_COMPARE(sim.poll(id, md5Hex(data)).value(Protocol::RESULT).toString(), Protocol::OK);
    QCOMPARE(sim.poll(id, md5Hex("other")).value(Protocol::REASON).toString(),
             QString("md5 mismatch"));
    QCOMPARE(sim.poll(id + 1000, md5Hex(data)).value(Protocol::REASON).toString(),
             QString("no such session"));
    QFile stored(sim.store.uploadTarget("u.bin", false));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), data);
    QVERIFY(sim.events().contains("stored /Tavlo/上传/u.bin md5=" + md5Hex(data)));
    // A complete session takes no more connections.
    QTRY_VERIFY(!sim.sessions.session(id)->isListening());
}

void TestDeviceSim::downloadResumesFromTheClientOffset() {
    TransferSession::Config config;
    config.cutAfterBytes = 1000;
    config.cutConnections = 2;
    config.ioTimeoutMs = 3000;
    Sim sim(SimFaults(), config);
    const QByteArray data = pattern(2500);
    QVERIFY(writeFile(sim.store.normalRoot() + "/Pictures/d.bin", data));
    const QVariantMap reply = sim.ask(
        {{Protocol::TYPE, Protocol::FILE_DOWNLOAD}, {Protocol::FILE_PATH, "/Pictures/d.bin"}});
    QCOMPARE(reply.value(Protocol::RESULT).toString(), Protocol::OK);
    QCOMPARE(reply.value(Protocol::FILE_SIZE).toLongLong(), qint64(data.size()));
    const int id = reply.value(Protocol::SESSION_ID).toInt();
    const quint16 port = quint16(reply.value(Protocol::TCP_PORT).toUInt());

    // The client may resume from before the cut; the device continues from
    // wherever the client says, and a cut connection stops 1000 bytes later.
    QList<QByteArray> received;
    QVERIFY(runClient([&] {
        for (const qint64 offset : {qint64(-1), qint64(600), qint64(1600)}) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(3000))
                return;
            if (offset >= 0) {
                socket.write(TcpTransfer::encodeOffset(offset));
                socket.waitForBytesWritten(3000);
            }
            received << readUntilClosed(socket, data.size());
        }
    }));
    QCOMPARE(received, QList<QByteArray>({data.left(1000), data.mid(600, 1000), data.mid(1600)}));
    QTRY_COMPARE(sim.poll(id, md5Hex(data)).value(Protocol::RESULT).toString(), Protocol::OK);
    QVERIFY(
        sim.events().contains("cut /Pictures/d.bin session=" + QString::number(id) + " at=1600"));
    QVERIFY(sim.events().contains("sent /Pictures/d.bin"));
}

void TestDeviceSim::pollsAnswerNotCompleteWhenAskedTo() {
    SimFaults faults;
    faults.notCompletePolls = 2;
    Sim sim(faults);
    QVERIFY(writeFile(sim.store.normalRoot() + "/Tavlo/e.txt", QByteArray()));
    const QVariantMap reply =
        sim.ask({{Protocol::TYPE, Protocol::FILE_DOWNLOAD}, {Protocol::FILE_PATH, "/Tavlo/e.txt"}});
    const int id = reply.value(Protocol::SESSION_ID).toInt();
    QVERIFY(runClient([&] {
        QTcpSocket socket; // an empty file: the connection carries nothing
        socket.connectToHost(QHostAddress::LocalHost,
                             quint16(reply.value(Protocol::TCP_PORT).toUInt()));
        socket.waitForConnected(3000);
        socket.waitForDisconnected(3000);
    }));
    QTRY_VERIFY(sim.events().contains("sent /Tavlo/e.txt"));
    const QString md5 = md5Hex(QByteArray());
    QCOMPARE(sim.poll(id, md5).value(Protocol::REASON).toString(), Protocol::NOT_COMPLETE);
    QCOMPARE(sim.poll(id, md5).value(Protocol::REASON).toString(), Protocol::NOT_COMPLETE);
    QCOMPARE(sim.poll(id, md5).value(Protocol::RESULT).toString(), Protocol::OK);

    SimFaults quiet;
    quiet.noPollAnswer = true;
    Sim silent(quiet);
    QVERIFY(silent.handler
                .handle({{Protocol::TYPE, Protocol::QUERY_RESULT}, {Protocol::SESSION_ID, id}})
                .isEmpty());
}

void TestDeviceSim::idleSessionStopsListening() {
    TransferSession::Config config;
    config.idleTimeoutMs = 200;
    Sim sim(SimFaults(), config);
    const QVariantMap reply = sim.ask({{Protocol::TYPE, Protocol::FILE_UPLOAD},
                                       {Protocol::FILE_NAME, "never.bin"},
                                       {Protocol::FILE_SIZE, 10},
                                       {Protocol::OPTION, Protocol::SECURE}});
    QCOMPARE(reply.value(Protocol::RESULT).toString(), Protocol::OK);
    QTRY_VERIFY(sim.events().contains("expired secure:/never.bin"));
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, quint16(reply.value(Protocol::TCP_PORT).toUInt()));
    QVERIFY(!late.waitForConnected(3000));
    // Polls still find the session: the data simply never came.
    QCOMPARE(sim.poll(reply.value(Protocol::SESSION_ID), md5Hex("0123456789"))
                 .value(Protocol::REASON)
                 .toString(),
             Protocol::NOT_COMPLETE);
}

QTEST_GUILESS_MAIN(TestDeviceSim)
#include "tst_devicesim.moc"
