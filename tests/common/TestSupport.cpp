#include "common/TestSupport.h"

#include "utils/DataLocations.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

namespace {
QMutex captureMutex;
QStringList* captured = nullptr;
} // namespace

ScopedWorkDir::ScopedWorkDir()
    : previous_(DataLocations::dataDirectory()) {
    DataLocations::setDataDirectory(dir_.path());
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("xdg-config")).toUtf8());
    qputenv("HOME", dir_.path().toUtf8());
}

ScopedWorkDir::~ScopedWorkDir() {
    DataLocations::setDataDirectory(previous_);
}

LogCapture::LogCapture() {
    QMutexLocker lock(&captureMutex);
    captured = new QStringList;
    previous_ = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_);
    QMutexLocker lock(&captureMutex);
    delete captured;
    captured = nullptr;
}

void LogCapture::handler(QtMsgType, const QMessageLogContext&, const QString& text) {
    QMutexLocker lock(&captureMutex);
    if (captured)
        captured->append(text);
}

QStringList LogCapture::lines() const {
    QMutexLocker lock(&captureMutex);
    return captured ? *captured : QStringList();
}

bool LogCapture::contains(const QString& fragment) const {
    return count(fragment) > 0;
}

int LogCapture::count(const QString& fragment) const {
    int n = 0;
    for (const QString& line : lines())
        n += line.contains(fragment) ? 1 : 0;
    return n;
}

void LogCapture::clear() {
    QMutexLocker lock(&captureMutex);
    if (captured)
        captured->clear();
}

QString autostartFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/TavloClientRun.desktop";
}

QString programPath() {
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writePatternFile(const QString& path, qint64 size, quint32 seed) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    qint64 written = 0;
    while (written < size) {
        for (int i = 0; i < block.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            block[i] = char(state >> 24);
        }
        const qint64 n = qMin<qint64>(block.size(), size - written);
        if (file.write(block.constData(), n) != n)
            return false;
        written += n;
    }
    return true;
}

QString md5Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

SimProcess::SimProcess(const QString& address, const QStringList& extraArguments)
    : address_(address)
    , process_(new QProcess) {
    const QString program = qEnvironmentVariable("TAVLO_BIN_DIR") + "/tavlo-device-sim";
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(program,
                    QStringList{"--address", address, "--store", store_.path()} + extraArguments);
    ready_ = waitForLine("listening", 15000);
}

SimProcess::~SimProcess() {
    process_->terminate();
    if (!process_->waitForFinished(5000))
        process_->kill();
    process_->waitForFinished(5000);
    delete process_;
}

ServerContent SimProcess::device() const {
    ServerContent device;
    device.address = QHostAddress(address_);
    device.uuid = QStringLiteral("uuid-") + address_;
    device.name = QStringLiteral("Sim ") + address_;
    device.type = QStringLiteral("server");
    return device;
}

QString SimProcess::storePath(const QString& relative) const {
    return store_.filePath(relative);
}

QStringList SimProcess::lines() {
    // Take in whatever the simulator has written so far.
    while (process_->waitForReadyRead(20))
        partial_ += process_->readAllStandardOutput();
    partial_ += process_->readAllStandardOutput();
    int newline;
    while ((newline = partial_.indexOf('\n')) >= 0) {
        lines_.append(QString::fromUtf8(partial_.left(newline)));
        partial_.remove(0, newline + 1);
    }
    return lines_;
}

int SimProcess::count(const QString& prefix) {
    int n = 0;
    for (const QString& line : lines())
        n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

QList<QVariantMap> SimProcess::requests(const QString& type) {
    const QString prefix = QStringLiteral("request ") + type + QLatin1Char(' ');
    QList<QVariantMap> found;
    for (const QString& line : lines()) {
        if (line.startsWith(prefix))
            found.append(
                QJsonDocument::fromJson(line.mid(prefix.size()).toUtf8()).object().toVariantMap());
    }
    return found;
}

bool SimProcess::waitForLine(const QString& prefix, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (count(prefix) > 0)
            return true;
        if (process_->state() == QProcess::NotRunning)
            return false;
        process_->waitForReadyRead(50);
    }
    return false;
}

FakeDevice::FakeDevice(const QString& address, std::function<QByteArray(const QByteArray&)> answer,
                       const QString& replyFrom, quint16 port)
    : answer_(std::move(answer)) {
    listener_.bind(QHostAddress(address), port);
    if (!replyFrom.isEmpty())
        replier_.bind(QHostAddress(replyFrom), 0);
    QObject::connect(&listener_, &QUdpSocket::readyRead, [this] {
        while (listener_.hasPendingDatagrams()) {
            QByteArray data(int(listener_.pendingDatagramSize()), 0);
            QHostAddress from;
            quint16 port = 0;
            listener_.readDatagram(data.data(), data.size(), &from, &port);
            received.append(data);
            const QByteArray reply = answer_(data);
            if (reply.isNull())
                continue;
            QUdpSocket& out =
                replier_.state() == QAbstractSocket::BoundState ? replier_ : listener_;
            out.writeDatagram(reply, from, port);
        }
    });
}
