#include "common/TestSupport.h"

#include <QCryptographicHash>
#include <QFile>

namespace {
QMutex captureMutex;
QStringList* captured = nullptr;
} // namespace

ScopedWorkDir::ScopedWorkDir()
    : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("xdg-config")).toUtf8());
    qputenv("HOME", dir_.path().toUtf8());
}

ScopedWorkDir::~ScopedWorkDir() {
    QDir::setCurrent(previous_);
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

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

ModalDismisser::ModalDismisser()
    : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            texts_.append(box->text());
        else
            texts_.append(modal->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer_->start(20);
}

ModalDismisser::~ModalDismisser() {
    delete timer_;
}
