// What a flood can cost a fixed-port listener: datagrams larger than a
// request are dropped unread, and while MaxPendingTasks tasks have not ended
// further datagrams are dropped; the listener takes requests again as soon
// as tasks end. Driven from a peer on loopback, one datagram at a time.
#include "common/TestSupport.h"
#include "tavlo/UdpListener.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QUdpSocket>
#include <QtTest>

#include <functional>

namespace {

constexpr quint16 ListenerPort = 36031;

// Takes every datagram and holds its task open until the test ends it.
class HoldingListener : public UdpListener {
public:
    HoldingListener()
        : UdpListener(ListenerPort, "HoldingListener", "[E][%s] bind error: %s") {}

    int taken() const {
        QMutexLocker lock(&mutex_);
        return taken_;
    }
    int largest() const {
        QMutexLocker lock(&mutex_);
        return largest_;
    }
    // Ends every task taken so far.
    void endTasks() {
        QMutexLocker lock(&mutex_);
        for (const auto& end : open_)
            end();
        open_.clear();
    }
    int pending() const { return pendingTasks(); }

protected:
    void onDatagram(const QByteArray& data, const QHostAddress&, quint16) override {
        QMutexLocker lock(&mutex_);
        ++taken_;
        largest_ = qMax(largest_, int(data.size()));
        open_.append(taskStarted());
    }

private:
    mutable QMutex mutex_;
    int taken_ = 0;
    int largest_ = 0;
    QList<std::function<void()>> open_;
};

// Waits (up to 5 s, looking every millisecond) until `done` holds.
template <typename Condition> bool waitUntil(Condition done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 5000)
        QThread::msleep(1);
    return done();
}

} // namespace

class TestListenerLimits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void oversizedDatagramsAreDroppedUnread();
    void requestsBeyondThePendingLimitAreDropped();

private:
    void send(const QByteArray& datagram) {
        peer_.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), ListenerPort);
    }

    HoldingListener listener_;
    QUdpSocket peer_;
};

void TestListenerLimits::initTestCase() {
    QVERIFY(peer_.bind(QHostAddress(QStringLiteral("127.0.7.10")), 0));
    listener_.start();
    QTRY_VERIFY(listener_.isListening());
}

void TestListenerLimits::cleanupTestCase() {
    listener_.endTasks();
    listener_.stop();
}

void TestListenerLimits::oversizedDatagramsAreDroppedUnread() {
    LogCapture log;
    send(QByteArray(UdpListener::MaxDatagramSize + 1, '['));
    QTRY_VERIFY(log.contains("[W][HoldingListener] Dropping datagrams: larger than a request can "
                             "be."));
    QCOMPARE(listener_.taken(), 0);
    // The largest request that may be, and the next one, are taken.
    send(QByteArray(UdpListener::MaxDatagramSize, '{'));
    QTRY_COMPARE(listener_.taken(), 1);
    QCOMPARE(listener_.largest(), UdpListener::MaxDatagramSize);
    QVERIFY(log.contains("[W][HoldingListener] Dropped 1 datagrams."));
    listener_.endTasks();
}

void TestListenerLimits::requestsBeyondThePendingLimitAreDropped() {
    const int before = listener_.taken();
    for (int i = 1; i <= UdpListener::MaxPendingTasks; ++i) {
        send("{}");
        QVERIFY(waitUntil([&] { return listener_.taken() == before + i; }));
    }
    QCOMPARE(listener_.pending(), UdpListener::MaxPendingTasks);

    LogCapture log;
    send("{}");
    QTRY_VERIFY(log.contains("[W][HoldingListener] Dropping datagrams: too many requests "
                             "waiting."));
    QCOMPARE(listener_.taken(), before + UdpListener::MaxPendingTasks);

    // Once the tasks have ended, the next request is taken again.
    listener_.endTasks();
    QCOMPARE(listener_.pending(), 0);
    send("{}");
    QTRY_COMPARE(listener_.taken(), before + UdpListener::MaxPendingTasks + 1);
    QVERIFY(log.contains("[W][HoldingListener] Dropped 1 datagrams."));
}

QTEST_GUILESS_MAIN(TestListenerLimits)
#include "tst_listenerlimits.moc"
