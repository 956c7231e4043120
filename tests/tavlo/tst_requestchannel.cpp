// The one request/reply exchange and the completion poll, against a peer on
// a loopback address that the test steers.
#include "common/TestSupport.h"
#include "tavlo/CompletionPoll.h"
#include "tavlo/RequestChannel.h"
#include "utils/QtJson.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

// Runs `work` on another thread while this one keeps the peers answering.
void runAside(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        work();
        done = true;
    }));
    worker->start();
    QElapsedTimer clock;
    clock.start();
    while (!done.load() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker->wait();
}

} // namespace

class TestRequestChannel : public QObject {
    Q_OBJECT
private slots:
    void senderChecks();
    void readsIntegersAndResults();
    void lateAnswerIsNotTakenForTheNextPoll();
};

void TestRequestChannel::senderChecks() {
    const QByteArray ok = R"({"result":"ok"})";
    FakeDevice right("127.0.2.1", [&](const QByteArray&) { return ok; });
    FakeDevice other(
        "127.0.2.2", [&](const QByteArray&) { return ok; }, "127.0.2.3");
    struct Case {
        FakeDevice* peer;
        QString address;
        RequestChannel::SenderCheck check;
        RequestChannel::Status expected;
    } cases[] = {
        // The channel sends to the peer's own port, so address and port match.
        {&right, "127.0.2.1", RequestChannel::SenderCheck::AddressAndPort,
         RequestChannel::Status::Ok},
        {&other, "127.0.2.2", RequestChannel::SenderCheck::AddressAndPort,
         RequestChannel::Status::WrongSender},
        {&other, "127.0.2.2", RequestChannel::SenderCheck::AddressOnly,
         RequestChannel::Status::WrongSender},
        {&other, "127.0.2.2", RequestChannel::SenderCheck::Any, RequestChannel::Status::Ok},
    };
    for (const Case& c : cases) {
        RequestChannel::Status status = RequestChannel::Status::NoReply;
        runAside([&] {
            RequestChannel channel(QHostAddress(c.address), c.peer->port());
            QVariantMap reply;
            status = channel.exchange(QVariantMap{{"type", "x"}}, 3000, c.check, reply);
        });
        QCOMPARE(int(status), int(c.expected));
    }
}

void TestRequestChannel::readsIntegersAndResults() {
    qint64 value = 0;
    QVariantMap reply{{"a", 7u}, {"b", "12"}, {"c", 1.5}, {"d", true}, {"e", qulonglong(1) << 40}};
    QVERIFY(RequestChannel::integerOf(reply, "a", value) && value == 7);
    QVERIFY(RequestChannel::integerOf(reply, "b", value) && value == 12);
    QVERIFY(!RequestChannel::integerOf(reply, "c", value));
    QVERIFY(!RequestChannel::integerOf(reply, "d", value));
    QVERIFY(RequestChannel::integerOf(reply, "e", value) && value == (qint64(1) << 40));
    QVERIFY(!RequestChannel::integerOf(reply, "missing", value));

    QCOMPARE(int(RequestChannel::resultOf({{"result", "ok"}})), int(RequestChannel::Result::Ok));
    QCOMPARE(int(RequestChannel::resultOf({{"result", "fail"}})),
             int(RequestChannel::Result::Fail));
    QCOMPARE(int(RequestChannel::resultOf({{"result", "OK"}})),
             int(RequestChannel::Result::Unknown)); // words are case-sensitive
    QCOMPARE(RequestChannel::refusal({{"reason", "disk full"}}).text(),
             QString("refused by the device: disk full"));
}

void TestRequestChannel::lateAnswerIsNotTakenForTheNextPoll() {
    // The first poll's answer ("not complete") comes after that poll gave up;
    // the second poll is answered "ok" at once. Only the fresh answer counts.
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress("127.0.2.4"), 0));
    int polls = 0;
    QObject::connect(&peer, &QUdpSocket::readyRead, [&] {
        while (peer.hasPendingDatagrams()) {
            QByteArray data(int(peer.pendingDatagramSize()), 0);
            QHostAddress from;
            quint16 port = 0;
            peer.readDatagram(data.data(), data.size(), &from, &port);
            ++polls;
            if (polls == 1) {
                QTimer::singleShot(400, &peer, [&peer, from, port] {
                    peer.writeDatagram(R"({"result":"fail","reason":"not_complete"})", from, port);
                });
            } else {
                peer.writeDatagram(R"({"result":"ok"})", from, port);
            }
        }
    });

    TransferTimings timings;
    timings.pollTimeoutMs = 200;
    timings.pollSleepMs = 500; // the late answer lands during this pause
    timings.maxPolls = 2;
    CompletionPoll::Outcome outcome = CompletionPoll::Outcome::Failed;
    runAside([&] {
        RequestChannel channel(QHostAddress("127.0.2.4"), peer.localPort());
        CompletionPoll poll(channel, timings, RequestChannel::SenderCheck::AddressAndPort);
        outcome = poll.run([] { return CompletionPoll::request(1, "00"); },
                           [](RequestChannel::Status status, const QVariantMap& reply) {
                               if (status != RequestChannel::Status::Ok)
                                   return CompletionPoll::Verdict::Continue;
                               return RequestChannel::resultOf(reply) == RequestChannel::Result::Ok
                                          ? CompletionPoll::Verdict::Confirmed
                                          : CompletionPoll::Verdict::Continue;
                           });
    });
    QCOMPARE(polls, 2);
    QCOMPARE(int(outcome), int(CompletionPoll::Outcome::Confirmed));
}

QTEST_GUILESS_MAIN(TestRequestChannel)
#include "tst_requestchannel.moc"
