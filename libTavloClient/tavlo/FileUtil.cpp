#include "tavlo/FileUtil.h"

#include <QCryptographicHash>
#include <QFile>

QString getFileMd5(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("[E][%s] file open error: %s", "FileUtil", qPrintable(file.errorString()));
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    // Large reads: the system calls, not the hashing, dominate small ones.
    QByteArray block(1 << 18, Qt::Uninitialized);
    const qint64 size = file.size();
    qint64 done = 0;
    while (done < size) {
        const qint64 read = file.read(block.data(), block.size());
        if (read <= 0)
            break;
        hash.addData(block.constData(), int(read));
        done += read;
    }
    return QString::fromLatin1(hash.result().toHex());
}
