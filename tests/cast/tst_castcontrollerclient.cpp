// The control channel against a local server the test plays the mirroring
// program with: which commands each state lets through, the event lines,
// reconnection every 333 ms, and the end of the channel.
#include "cast/CastControllerClient.h"
#include "common/TestSupport.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QtTest>

#include <memory>

namespace {

QString uniqueName() {
    static int counter = 0;
    return QStringLiteral("tavlo-cast-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// The program's side: one control server, the bytes it received, lines to send.
class FakeProgram : public QObject {
public:
    explicit FakeProgram(const QString& name) {
        QLocalServer::removeServer(name);
        listening = server.listen(name);
        connect(&server, &QLocalServer::newConnection, this, [this] {
            socket = server.nextPendingConnection();
            connect(socket, &QLocalSocket::readyRead, this,
                    [this] { received += socket->readAll(); });
        });
    }
    void say(const QByteArray& bytes) {
        socket->write(bytes);
        socket->flush();
    }

    bool listening = false;
    QLocalServer server;
    QLocalSocket* socket = nullptr;
    QByteArray received;
};

// The channel's signals, in the order they reached this (the GUI) thread.
class Events : public QObject {
public:
    explicit Events(CastControllerClient& client) {
        auto record = [this](const char* name) { return [this, name] { names << name; }; };
        connect(&client, &CastControllerClient::serverConnected, this, record("serverConnected"));
        connect(&client, &CastControllerClient::serverDisconnected, this,
                record("serverDisconnected"));
        connect(&client, &CastControllerClient::castConnected, this, record("castConnected"));
        connect(&client, &CastControllerClient::castDisconnected, this, record("castDisconnected"));
        connect(&client, &CastControllerClient::castPaused, this, record("castPaused"));
        connect(&client, &CastControllerClient::castResumed, this, record("castResumed"));
    }
    QStringList names;
};

} // namespace

class TestCastControllerClient : public QObject {
    Q_OBJECT
private slots:
    void commandsFollowTheState();
    void severalLinesInOneRead();
    void reconnectsUntilTheServerExists();
    void secondStartIsRefused();
    void programLeavingEndsTheChannel();
    void lastStopLeavesBeforeTheEnd();
    void stopWaitsForTheProgramToListen();
};

void TestCastControllerClient::commandsFollowTheState() {
    const QString name = uniqueName();
    FakeProgram program(name);
    QVERIFY(program.listening);
    // On the heap: a client at the stack address of an earlier one would
    // look to ThreadSanitizer like a race with that one's ended thread.
    const auto owned = std::make_unique<CastControllerClient>(name);
    CastControllerClient& client = *owned;
    Events events(client);
    QVERIFY(!client.stop()); // nothing to send to yet
    QVERIFY(client.start());
    QTRY_COMPARE_WITH_TIMEOUT(events.names, QStringList{"serverConnected"}, 10000);

    // Connected, but the cast is not: only stop goes out.
    QVERIFY(!client.pause());
    QVERIFY(!client.resume());
    QVERIFY(!client.changeAspectRatio());
    QVERIFY(client.stop());
    QTRY_COMPARE(program.received, QByteArray("stop\r\n"));

    program.say("castConnected\r\n");
    QTRY_COMPARE(events.names.size(), 2);
    QCOMPARE(events.names.last(), QString("castConnected"));
    QVERIFY(client.isCastConnected() && client.isPlaying());
    QVERIFY(!client.resume());
    QVERIFY(client.pause());
    QVERIFY(client.changeAspectRatio());
    QTRY_COMPARE(program.received, QByteArray("stop\r\npause\r\nchangeAspectRatio\r\n"));

    // Paused: only resume (and stop) go out.
    program.say("castPaused\r\n");
    QTRY_COMPARE(events.names.size(), 3);
    QCOMPARE(events.names.last(), QString("castPaused"));
    QVERIFY(!client.pause());
    QVERIFY(!client.changeAspectRatio());
    QVERIFY(client.resume());
    QTRY_COMPARE(program.received, QByteArray("stop\r\npause\r\nchangeAspectRatio\r\nresume\r\n"));

    // Lost: nothing but stop.
    program.say("castDisconnected\r\n");
    QTRY_COMPARE(events.names.size(), 4);
    QCOMPARE(events.names.last(), QString("castDisconnected"));
    QVERIFY(!client.isCastConnected());
    QVERIFY(!client.pause());
    QVERIFY(!client.resume());
    QVERIFY(!client.changeAspectRatio());
    QVERIFY(client.stop());
    QTRY_COMPARE(program.received,
                 QByteArray("stop\r\npause\r\nchangeAspectRatio\r\nresume\r\nstop\r\n"));
}

void TestCastControllerClient::severalLinesInOneRead() {
    const QString name = uniqueName();
    FakeProgram program(name);
    // On the heap: a client at the stack address of an earlier one would
    // look to ThreadSanitizer like a race with that one's ended thread.
    const auto owned = std::make_unique<CastControllerClient>(name);
    CastControllerClient& client = *owned;
    Events events(client);
    QVERIFY(client.start());
    QTRY_COMPARE_WITH_TIMEOUT(events.names, QStringList{"serverConnected"}, 10000);
    QTRY_VERIFY(program.socket);

    program.say("castPaused\r\ncastResumed\r\n");
    QTRY_COMPARE(events.names, (QStringList{"serverConnected", "castPaused", "castResumed"}));

    // Unknown words are ignored, a word ends at a zero byte, and a line may
    // arrive in pieces.
    static const char withZero[] = "hello\r\ncastPaused\0tail\r\n";
    program.say(QByteArray(withZero, int(sizeof(withZero)) - 1));
    program.say("castCon");
    QCoreApplication::processEvents();
    program.say("nected\r\n");
    QTRY_COMPARE(events.names, (QStringList{"serverConnected", "castPaused", "castResumed",
                                            "castPaused", "castConnected"}));
}

void TestCastControllerClient::reconnectsUntilTheServerExists() {
    const QString name = uniqueName();
    QLocalServer::removeServer(name);
    // Declared before the client, so they outlive its thread.
    QMutex mutex;
    QVector<qint64> errorTimesNs;
    QStringList messages;
    QElapsedTimer clock;
    clock.start();
    // On the heap: a client at the stack address of an earlier one would
    // look to ThreadSanitizer like a race with that one's ended thread.
    const auto owned = std::make_unique<CastControllerClient>(name);
    CastControllerClient& client = *owned;
    Events events(client);
    // Stamped on the channel's thread, when each attempt fails.
    connect(&client, &CastControllerClient::error, [&](const QString& message) {
        QMutexLocker lock(&mutex);
        errorTimesNs << clock.nsecsElapsed();
        messages << message;
    });
    QVERIFY(client.start());
    auto errorCount = [&] {
        QMutexLocker lock(&mutex);
        return errorTimesNs.size();
    };
    QTRY_VERIFY_WITH_TIMEOUT(errorCount() >= 4, 20000);

    {
        QMutexLocker lock(&mutex);
        const qint64 interval = qint64(CastControllerClient::ReconnectIntervalMs) * 1000000;
        // The first attempt waits one interval too; attempts never come closer.
        QVERIFY2(errorTimesNs.first() >= interval,
                 qPrintable(QString::number(errorTimesNs.first())));
        for (int i = 1; i < errorTimesNs.size(); ++i) {
            const qint64 gap = errorTimesNs.at(i) - errorTimesNs.at(i - 1);
            QVERIFY2(gap >= interval, qPrintable(QStringLiteral("gap %1 ns").arg(gap)));
        }
        for (const QString& message : qAsConst(messages))
            QVERIFY2(message.startsWith("Socket error: ") && message.endsWith("."),
                     qPrintable(message));
    }
    QVERIFY(events.names.isEmpty());

    FakeProgram program(name);
    QVERIFY(program.listening);
    QTRY_COMPARE_WITH_TIMEOUT(events.names, QStringList{"serverConnected"}, 10000);
    QVERIFY(client.isServerConnected());
}

void TestCastControllerClient::secondStartIsRefused() {
    const QString name = uniqueName();
    FakeProgram program(name);
    // On the heap: a client at the stack address of an earlier one would
    // look to ThreadSanitizer like a race with that one's ended thread.
    const auto owned = std::make_unique<CastControllerClient>(name);
    CastControllerClient& client = *owned;
    QVERIFY(client.start());
    LogCapture log;
    QVERIFY(!client.start());
    QVERIFY(log.contains("[W][CastControllerClient] CastController is running."));
}

void TestCastControllerClient::programLeavingEndsTheChannel() {
    const QString name = uniqueName();
    FakeProgram program(name);
    // On the heap: a client at the stack address of an earlier one would
    // look to ThreadSanitizer like a race with that one's ended thread.
    const auto owned = std::make_unique<CastControllerClient>(name);
    CastControllerClient& client = *owned;
    Events events(client);
    QVERIFY(client.start());
    QTRY_VERIFY_WITH_TIMEOUT(program.socket, 10000);
    QTRY_COMPARE(events.names, QStringList{"serverConnected"});
    program.say("castConnected\r\n");
    QTRY_COMPARE(events.names.size(), 2);

    program.socket->disconnectFromServer();
    QTRY_COMPARE(events.names.last(), QString("serverDisconnected"));
    QTRY_VERIFY(client.isFinished());
    QVERIFY(!client.isServerConnected() && !client.isCastConnected() && !client.isPlaying());
    QVERIFY(!client.stop());
}

void TestCastControllerClient::lastStopLeavesBeforeTheEnd() {
    // The window sends "stop" as it closes and then ends the channel at once.
    const QString name = uniqueName();
    FakeProgram program(name);
    auto client = std::make_unique<CastControllerClient>(name);
    Events events(*client);
    QVERIFY(client->start());
    QTRY_COMPARE_WITH_TIMEOUT(events.names, QStringList{"serverConnected"}, 10000);
    QVERIFY(client->stop());
    client.reset();
    QTRY_COMPARE(program.received, QByteArray("stop\r\n"));
}

void TestCastControllerClient::stopWaitsForTheProgramToListen() {
    // The window goes while the mirroring program still starts: the stop is
    // delivered once the program listens, so the program does not run on.
    const QString name = uniqueName();
    QLocalServer::removeServer(name);
    CastControllerClient client(name);
    QVERIFY(client.start());
    client.stopWhenConnected();
    QVERIFY(!client.isServerConnected());
    FakeProgram program(name);
    QVERIFY(program.listening);
    QTRY_COMPARE_WITH_TIMEOUT(program.received, QByteArray("stop\r\n"), 10000);
}

QTEST_GUILESS_MAIN(TestCastControllerClient)
#include "tst_castcontrollerclient.moc"
