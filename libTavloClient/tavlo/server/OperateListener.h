#pragma once

#include "tavlo/UdpListener.h"
#include "tavlo/server/DownloadServer.h"
#include "tavlo/server/OfferAllowance.h"
#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"
#include "utils/StopToken.h"

#include <QThreadPool>

#include <memory>

// Listens on UDP 16021 for the requests peers send to this PC and answers
// each on a handler pool of its own (a granted download keeps its handler
// for the whole transfer, so the global pool stays free for other work).
// What the handlers report comes out of this object's signals.
class OperateListener : public UdpListener {
    Q_OBJECT
public:
    static constexpr quint16 ListenPort = 16021;
    static constexpr int MaxHandlers = 32;

    explicit OperateListener(QObject* parent = nullptr);
    ~OperateListener() override;

    // For downloads granted from now on.
    void setDownloadTimings(const DownloadServer::Timings& timings);
    // Stops listening, ends every served download at its next chunk and
    // waits for the handlers.
    void stopServing();

signals:
    // A peer offers `FilePath` (a path on its side) to this PC.
    void isDownloadFile(QString FilePath, ServerContent server, quint16 port);
    void uploadProgress(ProgressContent content);
    void updateRecentFileList();
    void sessionGranted(quint32 sessionId, QString filePath, QHostAddress peer);
    // The peer asked how a session ended; `confirmed` when its MD5 matched.
    void sessionQueried(quint32 sessionId, bool confirmed);

protected:
    void onDatagram(const QByteArray& data, const QHostAddress& sender,
                    quint16 senderPort) override;

private:
    QThreadPool handlers_;
    std::shared_ptr<OfferAllowance> offerAllowance_ = std::make_shared<OfferAllowance>();
    StopToken stop_;
    mutable QMutex timingsMutex_;
    DownloadServer::Timings timings_;
};
