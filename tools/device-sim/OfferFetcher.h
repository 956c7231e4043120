#pragma once

#include <QHostAddress>
#include <QRunnable>
#include <QString>

#include <atomic>

class EventLog;

// The simulator as the peer that fetches a file a PC offered it: asks the
// PC's request port for "file_download", reads the file over TCP (optionally
// cutting the first connection and resuming with the offset as 8 raw bytes
// or as decimal digits), then asks "query_result" with its MD5 until the PC
// answers for good. Written apart from the client's own download code, so
// that both sides are not checked against themselves.
class OfferFetcher : public QRunnable {
public:
    enum class ResumeForm { Raw, Decimal };

    struct Setup {
        QHostAddress pc;
        quint16 pcPort = 16021;
        QString offeredPath;
        QString targetFolder;
        qint64 cutAfterBytes = -1; // below 0: the first connection is not cut
        ResumeForm resumeForm = ResumeForm::Raw;
        const std::atomic<bool>* stopping = nullptr;
        EventLog* log = nullptr;
    };

    explicit OfferFetcher(Setup setup);
    void run() override;

private:
    bool ask(const QVariantMap& request, QVariantMap& reply);
    // Reads into the target from `offset`; false when the connection ended early.
    bool fetch(quint16 port, qint64 size, qint64 offset, qint64 stopAt, qint64& received);

    Setup setup_;
    QString target_;
};
