#pragma once

#include "utils/ServerContent.h"

#include <QObject>
#include <QRunnable>

// Offers one local file to a peer (another PC running the client): sends it
// "file_distribution" with the file's path and records the offer, so that
// the peer's later "file_download" for that file is granted.
class FileDistribution : public QObject, public QRunnable {
    Q_OBJECT
public:
    FileDistribution(const QString& filePath, const ServerContent& server,
                     QObject* parent = nullptr);
    void run() override;

    // True after the offer went out and was recorded.
    bool isOffered() const { return offered_; }

    static QVariantMap offerMessage(const QString& filePath);

private:
    QString filePath_;
    ServerContent server_;
    bool offered_ = false;
};
