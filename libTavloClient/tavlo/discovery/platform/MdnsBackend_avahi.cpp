// Multicast DNS through the system's avahi-daemon (libavahi-client), driven
// by the Qt event loop of the thread that owns the browser or service.
#include "tavlo/discovery/DiscoverableService.h"
#include "tavlo/discovery/ServiceBrowser.h"
#include "tavlo/discovery/platform/QtAvahiPoll_avahi.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>

namespace {

QByteArray utf8OrNull(const QString& text) {
    return text.isEmpty() ? QByteArray() : text.toUtf8();
}

const char* nullIfEmpty(const QByteArray& text) {
    return text.isEmpty() ? nullptr : text.constData();
}

// One connection to the daemon with its Qt poll adapter; freed in the right
// order (client before poll).
class AvahiConnection {
public:
    using StateHandler = std::function<void(AvahiClientState)>;

    explicit AvahiConnection(StateHandler onState)
        : onState_(std::move(onState)) {}
    ~AvahiConnection() {
        if (client_)
            avahi_client_free(client_);
    }

    // 0 on success, else the Avahi error code.
    int open() {
        int error = 0;
        client_ = avahi_client_new(poll_.api(), AvahiClientFlags(0),
                                   &AvahiConnection::onClientState, this, &error);
        return client_ ? 0 : (error ? error : AVAHI_ERR_FAILURE);
    }
    AvahiClient* client() const { return client_; }
    int lastError() const { return client_ ? avahi_client_errno(client_) : AVAHI_ERR_FAILURE; }

private:
    static void onClientState(AvahiClient* client, AvahiClientState state, void* userdata) {
        auto* self = static_cast<AvahiConnection*>(userdata);
        if (!self->client_)
            self->client_ = client; // called from inside avahi_client_new
        if (self->onState_)
            self->onState_(state);
    }

    QtAvahiPoll poll_;
    AvahiClient* client_ = nullptr;
    StateHandler onState_;
};

} // namespace

class ServiceBrowser::Backend {
public:
    explicit Backend(ServiceBrowser* owner)
        : owner_(owner) {}
    ~Backend() { stop(); }

    void browse() {
        stop();
        connection_ = std::make_unique<AvahiConnection>([this](AvahiClientState state) {
            if (state == AVAHI_CLIENT_FAILURE)
                emit owner_->browsingFailed(connection_->lastError());
        });
        if (const int error = connection_->open()) {
            connection_.reset();
            emit owner_->browsingFailed(error);
            return;
        }
        const QByteArray type = owner_->serviceType().toUtf8();
        browser_ = avahi_service_browser_new(connection_->client(), AVAHI_IF_UNSPEC,
                                             AVAHI_PROTO_INET, type.constData(), nullptr,
                                             AvahiLookupFlags(0), &Backend::onBrowse, this);
        if (!browser_)
            emit owner_->browsingFailed(connection_->lastError());
    }

    void stop() {
        if (browser_)
            avahi_service_browser_free(browser_);
        browser_ = nullptr;
        connection_.reset();
    }

private:
    static void onBrowse(AvahiServiceBrowser*, AvahiIfIndex, AvahiProtocol, AvahiBrowserEvent event,
                         const char* name, const char*, const char* domain, AvahiLookupResultFlags,
                         void* userdata) {
        auto* self = static_cast<Backend*>(userdata);
        switch (event) {
        case AVAHI_BROWSER_NEW:
            emit self->owner_->serviceAdded(QString::fromUtf8(name), QString::fromUtf8(domain));
            break;
        case AVAHI_BROWSER_REMOVE:
            emit self->owner_->serviceRemoved(QString::fromUtf8(name), QString::fromUtf8(domain));
            break;
        case AVAHI_BROWSER_FAILURE:
            emit self->owner_->browsingFailed(self->connection_->lastError());
            break;
        default:
            break;
        }
    }

    ServiceBrowser* owner_;
    std::unique_ptr<AvahiConnection> connection_;
    AvahiServiceBrowser* browser_ = nullptr;
};

ServiceBrowser::ServiceBrowser(const QString& serviceType, QObject* parent)
    : QObject(parent)
    , serviceType_(serviceType)
    , backend_(std::make_unique<Backend>(this)) {}

ServiceBrowser::~ServiceBrowser() = default;

void ServiceBrowser::browse() {
    backend_->browse();
}

void ServiceBrowser::stopBrowsing() {
    backend_->stop();
}

class DiscoverableService::Backend {
public:
    explicit Backend(DiscoverableService* owner)
        : owner_(owner) {}
    ~Backend() { release(); }

    void registerService(bool noAutoRename) {
        release();
        noAutoRename_ = noAutoRename;
        connection_ = std::make_unique<AvahiConnection>([this](AvahiClientState state) {
            if (state == AVAHI_CLIENT_S_RUNNING)
                publish();
            else if (state == AVAHI_CLIENT_S_COLLISION || state == AVAHI_CLIENT_S_REGISTERING) {
                if (group_)
                    avahi_entry_group_reset(group_);
            } else if (state == AVAHI_CLIENT_FAILURE)
                emit owner_->registrationError(connection_->lastError());
        });
        if (const int error = connection_->open()) {
            connection_.reset();
            emit owner_->registrationError(error);
        }
    }

    void release() {
        if (group_)
            avahi_entry_group_free(group_);
        group_ = nullptr;
        if (resolver_)
            avahi_service_resolver_free(resolver_);
        resolver_ = nullptr;
        connection_.reset();
    }

    void resolve() {
        release();
        connection_ = std::make_unique<AvahiConnection>(nullptr);
        if (const int error = connection_->open()) {
            connection_.reset();
            emit owner_->lookupError(error);
            return;
        }
        const QByteArray name = owner_->serviceName().toUtf8();
        const QByteArray type = owner_->serviceType().toUtf8();
        const QByteArray domain = utf8OrNull(owner_->domain());
        resolver_ = avahi_service_resolver_new(connection_->client(), AVAHI_IF_UNSPEC,
                                               AVAHI_PROTO_INET, name.constData(), type.constData(),
                                               nullIfEmpty(domain), AVAHI_PROTO_INET,
                                               AvahiLookupFlags(0), &Backend::onResolved, this);
        if (!resolver_)
            emit owner_->lookupError(connection_->lastError());
    }

private:
    void publish() {
        AvahiClient* client = connection_->client();
        if (!group_)
            group_ = avahi_entry_group_new(client, &Backend::onGroupState, this);
        if (!group_) {
            emit owner_->registrationError(avahi_client_errno(client));
            return;
        }
        if (!avahi_entry_group_is_empty(group_))
            return;
        const QByteArray name = owner_->serviceName().toUtf8();
        const QByteArray type = owner_->serviceType().toUtf8();
        const QByteArray domain = utf8OrNull(owner_->domain());
        int error = avahi_entry_group_add_service(
            group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, AvahiPublishFlags(0), name.constData(),
            type.constData(), nullIfEmpty(domain), nullptr, owner_->port(), nullptr);
        if (error == AVAHI_ERR_COLLISION && !noAutoRename_) {
            rename();
            return;
        }
        if (!error)
            error = avahi_entry_group_commit(group_);
        if (error)
            emit owner_->registrationError(error);
    }

    void rename() {
        char* alternative =
            avahi_alternative_service_name(owner_->serviceName().toUtf8().constData());
        owner_->serviceName_ = QString::fromUtf8(alternative);
        avahi_free(alternative);
        avahi_entry_group_reset(group_);
        publish();
    }

    static void onGroupState(AvahiEntryGroup* group, AvahiEntryGroupState state, void* userdata) {
        auto* self = static_cast<Backend*>(userdata);
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            emit self->owner_->registered();
            break;
        case AVAHI_ENTRY_GROUP_COLLISION:
            if (self->noAutoRename_)
                emit self->owner_->registrationError(AVAHI_ERR_COLLISION);
            else
                self->rename();
            break;
        case AVAHI_ENTRY_GROUP_FAILURE:
            emit self->owner_->registrationError(
                avahi_client_errno(avahi_entry_group_get_client(group)));
            break;
        default:
            break;
        }
    }

    static void onResolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol,
                           AvahiResolverEvent event, const char*, const char*, const char*,
                           const char*, const AvahiAddress* address, uint16_t port,
                           AvahiStringList*, AvahiLookupResultFlags, void* userdata) {
        auto* self = static_cast<Backend*>(userdata);
        DiscoverableService* owner = self->owner_;
        if (event == AVAHI_RESOLVER_FOUND && address) {
            char text[AVAHI_ADDRESS_STR_MAX];
            avahi_address_snprint(text, sizeof(text), address);
            emit owner->lookuped(QHostAddress(QString::fromLatin1(text)), port);
        } else {
            emit owner->lookupError(
                avahi_client_errno(avahi_service_resolver_get_client(resolver)));
        }
    }

    DiscoverableService* owner_;
    std::unique_ptr<AvahiConnection> connection_;
    AvahiEntryGroup* group_ = nullptr;
    AvahiServiceResolver* resolver_ = nullptr;
    bool noAutoRename_ = false;
};

DiscoverableService::DiscoverableService(const QString& serviceType, const QString& serviceName,
                                         QObject* parent)
    : QObject(parent)
    , serviceType_(serviceType)
    , serviceName_(serviceName)
    , backend_(std::make_unique<Backend>(this)) {}

DiscoverableService::~DiscoverableService() = default;

void DiscoverableService::registerService(bool noAutoRename) {
    backend_->registerService(noAutoRename);
}

void DiscoverableService::releaseService() {
    backend_->release();
}

void DiscoverableService::resolve(bool) {
    backend_->resolve();
}
