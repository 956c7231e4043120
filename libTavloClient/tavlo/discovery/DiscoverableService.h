#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

// One multicast DNS service instance: announced by this program
// (registerService) or looked up by name (resolve).
class DiscoverableService : public QObject {
    Q_OBJECT
public:
    DiscoverableService(const QString& serviceType, const QString& serviceName,
                        QObject* parent = nullptr);
    ~DiscoverableService() override;

    QString serviceType() const { return serviceType_; }
    QString serviceName() const { return serviceName_; }
    QString domain() const { return domain_; }
    quint16 port() const { return port_; }
    void setPort(quint16 port) { port_ = port; }
    void setDomain(const QString& domain) { domain_ = domain; }

    // With `noAutoRename` false a name already taken on the network is
    // replaced by the next free variant ("TavloClient #2").
    void registerService(bool noAutoRename);
    void releaseService();
    // Looks the named service up; reports lookuped() or lookupError().
    void resolve(bool forceMulticast);

    class Backend;

signals:
    void registered();
    void registrationError(int code);
    void lookuped(QHostAddress address, int port);
    void lookupError(int code);

private:
    friend class Backend;
    QString serviceType_;
    QString serviceName_;
    QString domain_;
    quint16 port_ = 0;
    std::unique_ptr<Backend> backend_;
};
