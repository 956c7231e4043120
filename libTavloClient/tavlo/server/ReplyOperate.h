#pragma once

#include "tavlo/server/DownloadServer.h"
#include "tavlo/server/OfferAllowance.h"
#include "tavlo/server/SessionTable.h"
#include "utils/ProgressContent.h"
#include "utils/QtJson.h"
#include "utils/ServerContent.h"
#include "utils/StopToken.h"

#include <QHostAddress>
#include <QObject>
#include <QRunnable>

#include <functional>
#include <memory>

// Handles one request a peer sent to this PC's UDP 16021: "file_download"
// (fetch a file this PC offered: granted with a session and a TCP port,
// served by a DownloadServer while this task waits), "query_result" (how a
// session ended) and "file_distribution" (the peer offers a file; handed on
// through `isDownloadFile`, not answered).
class ReplyOperate : public QObject, public QRunnable {
    Q_OBJECT
public:
    ReplyOperate(const QByteArray& data, const QHostAddress& sender, quint16 senderPort,
                 QObject* parent = nullptr);
    ~ReplyOperate() override;
    void run() override;

    // Called when the task ends (it is destroyed), after a served download.
    void setEndHandler(std::function<void()> handler) { ended_ = std::move(handler); }

    // How granted downloads are served.
    void setServing(const DownloadServer::Timings& timings, const StopToken& stop);
    // Sends the replies from the port the request came to (this PC's own
    // download operation takes answers to its polls only from there);
    // without it replies go from a fresh socket.
    using Replier = std::function<bool(const QByteArray&, const QHostAddress&, quint16)>;
    void setReplier(Replier replier) { replier_ = std::move(replier); }
    // Offers beyond the sender's allowance are dropped; without one, every
    // offer is handed on.
    void setOfferAllowance(std::shared_ptr<OfferAllowance> allowance) {
        offerAllowance_ = std::move(allowance);
    }

signals:
    void isDownloadFile(QString FilePath, ServerContent server, quint16 port);
    // Relayed from the download server of a granted session.
    void uploadProgress(ProgressContent content);
    void updateRecentFileList();
    void sessionGranted(quint32 sessionId, QString filePath, QHostAddress peer);
    void sessionQueried(quint32 sessionId, bool confirmed);

private:
    void replyFileDownload(const QtJson::JsonObject& request);
    void replyResultQuery(const QtJson::JsonObject& request);
    void replyFileDistribution(const QtJson::JsonObject& request, const QHostAddress& sender,
                               qint16 senderPort);
    // Sends `reply` to the sender; false (with `failure` logged) when it
    // cannot be made or sent.
    bool sendReply(const QVariantMap& reply, const char* serializeFailure, const char* sendFailure);
    // The session's server, already listening on its port.
    std::unique_ptr<DownloadServer> makeServer(const QString& path,
                                               const SessionTable::Grant& grant);

    QByteArray data_;
    QHostAddress sender_;
    quint16 senderPort_;
    DownloadServer::Timings timings_;
    StopToken stop_;
    Replier replier_;
    std::shared_ptr<OfferAllowance> offerAllowance_;
    std::function<void()> ended_;
};
