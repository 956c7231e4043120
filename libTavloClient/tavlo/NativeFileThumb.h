#pragma once

#include <QByteArray>
#include <QModelIndex>
#include <QObject>
#include <QRunnable>

// The thumbnail of a local file: from the cache when it was made for the same
// modification time, else made (144 x 144 PNG), cached and returned.
class NativeFileThumb : public QObject, public QRunnable {
    Q_OBJECT
public:
    static constexpr int ThumbSize = 144;

    // `dateModified` holds the low 32 bits of the millisecond time, as the
    // history view passes it.
    NativeFileThumb(const QString& uuid, const QString& path, int dateModified,
                    const QModelIndex& index, QObject* parent = nullptr);
    void run() override;

signals:
    void getThumbEnd(QByteArray thumbdata, QModelIndex index);

private:
    QString uuid_;
    QString path_;
    int dateModified_;
    QModelIndex index_;
};
