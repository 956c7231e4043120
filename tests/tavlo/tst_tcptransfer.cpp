// One file moved over two connections, the second resumed from an offset:
// with the hash carried across the attempts the MD5 covers the whole file
// (bytes sent again are not hashed twice, a gap is reported), without it only
// the resumed part.
#include "tavlo/TcpTransfer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <future>
#include <memory>

namespace {

// A peer on a loopback address with one connection, handled on a thread of
// its own by `handle`.
class Peer {
public:
    explicit Peer(std::function<void(QTcpSocket&)> handle) {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        thread_.reset(QThread::create([handle, &listening] {
            QTcpServer server;
            server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
            listening.set_value(server.serverPort());
            if (!server.waitForNewConnection(10000))
                return;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            handle(*socket);
        }));
        thread_->start();
        port_ = port.get();
    }
    ~Peer() { thread_->wait(); }
    quint16 port() const { return port_; }

private:
    quint16 port_ = 0;
    std::unique_ptr<QThread> thread_;
};

void flushAndClose(QTcpSocket& socket) {
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(10000)) {
    }
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.waitForDisconnected(10000);
}

// Serves data[from, end), `from` being the receiver's resume offset if it sends one.
std::function<void(QTcpSocket&)> serving(const QByteArray& data, qint64 end, bool readOffset) {
    return [data, end, readOffset](QTcpSocket& socket) {
        qint64 from = 0;
        if (readOffset) {
            while (socket.bytesAvailable() < 8 && socket.waitForReadyRead(10000)) {
            }
            from = TcpTransfer::decodeOffset(socket.read(8));
        }
        socket.write(data.mid(int(from), int(end - from)));
        flushAndClose(socket);
    };
}

// Asks to resume at `offset` (unless negative), then collects all it gets.
std::function<void(QTcpSocket&)> collecting(qint64 offset, QByteArray& received) {
    return [offset, &received](QTcpSocket& socket) {
        if (offset >= 0) {
            socket.write(TcpTransfer::encodeOffset(offset));
            socket.flush();
        }
        while (socket.waitForReadyRead(10000))
            received += socket.readAll();
        received += socket.readAll();
    };
}

QByteArray patternOf(int size) {
    QByteArray data(size, Qt::Uninitialized);
    quint32 state = 7;
    for (char& byte : data) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 16);
    }
    return data;
}

QString md5Of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

struct Attempt {
    bool complete = false;
    qint64 position = 0;
    qint64 hashedFromStart = 0;
    QString md5;
};

// One attempt of this side against `peer`; the hash is carried when given.
Attempt attempt(const Peer& peer, QFile& file, TcpTransfer::Direction direction, qint64 total,
                TcpTransfer::Offset offset, QCryptographicHash* carried, qint64 hashedBytes,
                qint64 stopAt = -1) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), peer.port());
    Attempt result;
    if (!socket.waitForConnected(10000))
        return result;
    TcpTransfer transfer(socket, file, direction, total);
    transfer.setTimeout(10000);
    if (carried)
        transfer.continueHash(*carried, hashedBytes);
    if (stopAt >= 0)
        transfer.setProgressHandler([stopAt](qint64 position) { return position < stopAt; });
    result.complete = transfer.run(offset, file.size());
    result.position = transfer.position();
    result.hashedFromStart = transfer.hashedFromStart();
    result.md5 = transfer.md5();
    socket.disconnectFromHost();
    return result;
}

} // namespace

class TestTcpTransfer : public QObject {
    Q_OBJECT
private slots:
    void resumedReceive_data();
    void resumedReceive();
    void resumedSend_data();
    void resumedSend();
};

void TestTcpTransfer::resumedReceive_data() {
    QTest::addColumn<bool>("carryHash");
    QTest::newRow("hash carried across the attempts") << true;
    QTest::newRow("hash of each attempt alone") << false;
}

void TestTcpTransfer::resumedReceive() {
    QFETCH(bool, carryHash);
    const QByteArray data = patternOf(3 * int(TcpTransfer::BlockSize) + 1000);
    const qint64 cut = TcpTransfer::BlockSize + 12345; // not on a block boundary
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("received.part")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCryptographicHash carried(QCryptographicHash::Md5);
    QCryptographicHash* hash = carryHash ? &carried : nullptr;

    Attempt first;
    {
        Peer peer(serving(data, cut, false));
        first = attempt(peer, file, TcpTransfer::Direction::Receive, data.size(),
                        TcpTransfer::Offset::None, hash, 0);
    }
    QVERIFY(!first.complete);
    QCOMPARE(first.position, cut);
    QCOMPARE(first.hashedFromStart, cut);
    QCOMPARE(file.size(), cut);

    Attempt second;
    {
        Peer peer(serving(data, data.size(), true));
        second = attempt(peer, file, TcpTransfer::Direction::Receive, data.size(),
                         TcpTransfer::Offset::Write, hash, first.hashedFromStart);
    }
    QVERIFY(second.complete);
    QCOMPARE(second.position, qint64(data.size()));
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), data);
    QCOMPARE(second.hashedFromStart, carryHash ? qint64(data.size()) : qint64(-1));
    QCOMPARE(second.md5, carryHash ? md5Of(data) : md5Of(data.mid(int(cut))));
}

void TestTcpTransfer::resumedSend_data() {
    QTest::addColumn<qint64>("resumeAt");
    QTest::addColumn<bool>("wholeFile");
    // The first attempt stops after two blocks; the peer had less of them
    // (bytes sent again), or claims more (a gap the hash cannot bridge).
    QTest::newRow("bytes sent again") << TcpTransfer::BlockSize + 100 << true;
    QTest::newRow("right where it stopped") << 2 * TcpTransfer::BlockSize << true;
    QTest::newRow("a gap") << 2 * TcpTransfer::BlockSize + 5000 << false;
}

void TestTcpTransfer::resumedSend() {
    QFETCH(qint64, resumeAt);
    QFETCH(bool, wholeFile);
    const QByteArray data = patternOf(4 * int(TcpTransfer::BlockSize) + 777);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("sent.bin")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCryptographicHash carried(QCryptographicHash::Md5);

    QByteArray firstReceived;
    Attempt first;
    {
        Peer peer(collecting(-1, firstReceived));
        first = attempt(peer, file, TcpTransfer::Direction::Send, data.size(),
                        TcpTransfer::Offset::None, &carried, 0, 2 * TcpTransfer::BlockSize);
    }
    QVERIFY(!first.complete);
    QCOMPARE(first.hashedFromStart, 2 * TcpTransfer::BlockSize);
    QCOMPARE(firstReceived, data.left(int(2 * TcpTransfer::BlockSize)));

    QByteArray secondReceived;
    Attempt second;
    {
        Peer peer(collecting(resumeAt, secondReceived));
        second = attempt(peer, file, TcpTransfer::Direction::Send, data.size(),
                         TcpTransfer::Offset::Read, &carried, first.hashedFromStart);
    }
    QVERIFY(second.complete);
    QCOMPARE(secondReceived, data.mid(int(resumeAt)));
    if (wholeFile) {
        QCOMPARE(second.hashedFromStart, qint64(data.size()));
        QCOMPARE(second.md5, md5Of(data));
    } else {
        QCOMPARE(second.hashedFromStart, 2 * TcpTransfer::BlockSize);
    }
}

QTEST_GUILESS_MAIN(TestTcpTransfer)
#include "tst_tcptransfer.moc"
