#include "OfferFetcher.h"

#include "EventLog.h"

#include "utils/QtJson.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

namespace {

QByteArray rawOffset(qint64 offset) {
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i)
        bytes[i] = char((quint64(offset) >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

OfferFetcher::OfferFetcher(Setup setup)
    : setup_(std::move(setup)) {
    setAutoDelete(true);
}

bool OfferFetcher::ask(const QVariantMap& request, QVariantMap& reply) {
    QUdpSocket socket;
    socket.bind(0);
    if (socket.writeDatagram(QtJson::serialize(request), setup_.pc, setup_.pcPort) < 0)
        return false;
    if (!socket.waitForReadyRead(5000))
        return false;
    QByteArray data(int(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(data.data(), data.size());
    bool ok = false;
    reply = QtJson::parse(QString::fromUtf8(data), ok).toMap();
    return ok;
}

void OfferFetcher::run() {
    EventLog& log = *setup_.log;
    const QString what = EventLog::oneLine(setup_.offeredPath);
    QVariantMap grant;
    if (!ask({{"type", "file_download"}, {"file_path", setup_.offeredPath}}, grant) ||
        grant.value("result").toString() != "ok") {
        log.event(QStringLiteral("fetch-refused %1 %2")
                      .arg(what, EventLog::oneLine(grant.value("reason").toString())));
        return;
    }
    const qint64 session = grant.value("session_id").toLongLong();
    const quint16 port = quint16(grant.value("tcp_port").toUInt());
    const qint64 size = grant.value("file_size").toLongLong();
    log.event(QStringLiteral("fetch-granted %1 session=%2 port=%3 size=%4")
                  .arg(what)
                  .arg(session)
                  .arg(port)
                  .arg(size));

    QDir().mkpath(setup_.targetFolder);
    const QString name = setup_.offeredPath.section(QLatin1Char('/'), -1);
    target_ = QDir(setup_.targetFolder).filePath(name.isEmpty() ? QStringLiteral("fetched") : name);
    QFile::remove(target_);
    qint64 received = 0;
    bool done = fetch(port, size, 0, setup_.cutAfterBytes, received);
    if (!done) {
        log.event(QStringLiteral("fetch-cut %1 at=%2").arg(what).arg(received));
        done = fetch(port, size, received, -1, received);
    }
    if (!done) {
        log.event(QStringLiteral("fetch-failed %1 at=%2").arg(what).arg(received));
        return;
    }
    QFile file(target_);
    file.open(QIODevice::ReadOnly);
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    const QString md5 = QString::fromLatin1(hash.result().toHex());
    log.event(QStringLiteral("fetched %1 bytes=%2 md5=%3").arg(what).arg(received).arg(md5));

    for (int poll = 0; poll < 10 && !setup_.stopping->load(); ++poll) {
        QThread::msleep(200);
        QVariantMap answer;
        if (!ask({{"type", "query_result"}, {"session_id", session}, {"md5", md5}}, answer))
            continue;
        const QString reason = answer.value("reason").toString();
        if (answer.value("result").toString() == "ok") {
            log.event(QStringLiteral("fetch-confirmed %1").arg(what));
            return;
        }
        if (reason != "not_complete") {
            log.event(QStringLiteral("fetch-disputed %1 %2").arg(what, EventLog::oneLine(reason)));
            return;
        }
    }
    log.event(QStringLiteral("fetch-unconfirmed %1").arg(what));
}

bool OfferFetcher::fetch(quint16 port, qint64 size, qint64 offset, qint64 stopAt,
                         qint64& received) {
    QTcpSocket socket;
    socket.connectToHost(setup_.pc, port);
    if (!socket.waitForConnected(5000))
        return false;
    if (offset > 0) {
        socket.write(setup_.resumeForm == ResumeForm::Raw ? rawOffset(offset)
                                                          : QByteArray::number(offset));
        socket.waitForBytesWritten(5000);
    }
    QFile file(target_);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset))
        return false;
    received = offset;
    while (received < size && !setup_.stopping->load()) {
        if (stopAt >= 0 && received >= stopAt) {
            socket.abort();
            return false;
        }
        if (socket.bytesAvailable() <= 0 && !socket.waitForReadyRead(5000))
            return false;
        qint64 want = 1 << 16;
        if (stopAt >= 0)
            want = qMin(want, stopAt - received);
        const QByteArray data = socket.read(want);
        if (data.isEmpty())
            continue;
        file.write(data);
        received += data.size();
    }
    return received == size;
}
