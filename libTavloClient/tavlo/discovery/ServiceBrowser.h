#pragma once

#include <QObject>
#include <QString>

#include <memory>

// Browses multicast DNS for one service type ("_tavlo._udp") and reports
// services as they come and go. The backend is the platform's resolver.
class ServiceBrowser : public QObject {
    Q_OBJECT
public:
    explicit ServiceBrowser(const QString& serviceType, QObject* parent = nullptr);
    ~ServiceBrowser() override;

    QString serviceType() const { return serviceType_; }
    void browse();
    void stopBrowsing();

    class Backend;

signals:
    void browsingFailed(int errorCode);
    void serviceAdded(QString serviceName, QString domain);
    void serviceRemoved(QString serviceName, QString domain);

private:
    QString serviceType_;
    std::unique_ptr<Backend> backend_;
};
