// Multicast DNS through the DNS-SD functions of windns.h (Windows 10 and
// later). The system calls back on its own threads; every result is handed to
// the thread that owns the browser or service before a signal is emitted.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include "tavlo/discovery/DiscoverableService.h"
#include "tavlo/discovery/ServiceBrowser.h"

#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QVector>
#include <QtEndian>

#include <climits>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// winsock2.h has to come before windows.h, iphlpapi.h and windns.h after it.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>
#include <windns.h>

// Missing from some MinGW headers; the value is the one of winerror.h.
#ifndef DNS_REQUEST_PENDING
#define DNS_REQUEST_PENDING 9506L
#endif

namespace {

constexpr DWORD RequestPending = DWORD(DNS_REQUEST_PENDING);
// How long a lookup may take: the system's own give-up time is not documented.
constexpr int LookupTimeoutMs = 10000;
// Bounds the "Name #2", "Name #3", ... retries of one registration.
constexpr int MaxRenames = 100;
// Longest DNS label, in bytes.
constexpr int MaxLabelBytes = 63;

// The DNS-SD entry points.

// dnsapi.dll has these only from Windows 10 on; they are looked up at run time
// so that the library still loads on older systems, where discovery reports
// ERROR_PROC_NOT_FOUND instead.
struct DnsSdApi {
    decltype(&::DnsServiceBrowse) browse = nullptr;
    decltype(&::DnsServiceBrowseCancel) browseCancel = nullptr;
    decltype(&::DnsServiceResolve) resolve = nullptr;
    decltype(&::DnsServiceResolveCancel) resolveCancel = nullptr;
    decltype(&::DnsServiceConstructInstance) constructInstance = nullptr;
    decltype(&::DnsServiceFreeInstance) freeInstance = nullptr;
    decltype(&::DnsServiceRegister) registerService = nullptr;
    decltype(&::DnsServiceDeRegister) deregisterService = nullptr;
    decltype(&::DnsServiceRegisterCancel) registerCancel = nullptr;
    bool available = false;
};

template <typename Pointer> bool loadProc(HMODULE module, const char* name, Pointer& target) {
    // Through void(*)(): the one function pointer type every other casts from
    // without a warning.
    target =
        reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    return target != nullptr;
}

DnsSdApi loadDnsSdApi() {
    DnsSdApi api;
    // Normally loaded already: the library links dnsapi for the record functions.
    HMODULE module = ::GetModuleHandleW(L"dnsapi.dll");
    if (!module)
        module = ::LoadLibraryExW(L"dnsapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module)
        return api;
    api.available = loadProc(module, "DnsServiceBrowse", api.browse) &&
                    loadProc(module, "DnsServiceBrowseCancel", api.browseCancel) &&
                    loadProc(module, "DnsServiceResolve", api.resolve) &&
                    loadProc(module, "DnsServiceResolveCancel", api.resolveCancel) &&
                    loadProc(module, "DnsServiceConstructInstance", api.constructInstance) &&
                    loadProc(module, "DnsServiceFreeInstance", api.freeInstance) &&
                    loadProc(module, "DnsServiceRegister", api.registerService) &&
                    loadProc(module, "DnsServiceDeRegister", api.deregisterService) &&
                    loadProc(module, "DnsServiceRegisterCancel", api.registerCancel);
    return api;
}

const DnsSdApi& dnsSd() {
    static const DnsSdApi api = loadDnsSdApi();
    return api;
}

struct InstanceDeleter {
    void operator()(DNS_SERVICE_INSTANCE* instance) const {
        if (instance && dnsSd().freeInstance)
            dnsSd().freeInstance(instance);
    }
};
using InstancePtr = std::unique_ptr<DNS_SERVICE_INSTANCE, InstanceDeleter>;

// Routing callbacks to their owners.

// Every running operation has a ticket, and the system gets the ticket as the
// callback context, never a pointer. Stopping an operation or destroying its
// owner takes the ticket out, so a callback arriving late (after a cancel, or
// while a queued delivery waits) finds nothing and is dropped.
class Tickets {
public:
    // Runs on the owner's thread with the owner, still alive.
    using Delivery = std::function<void(QObject* owner)>;

    static Tickets& instance() {
        // Never destroyed: system threads may still call back during exit.
        static Tickets* const tickets = new Tickets();
        return *tickets;
    }

    // `resources` (requests, buffers, cancel handles) lives as long as the
    // ticket, since the system may read it until the operation ends.
    quintptr open(QObject* owner, std::shared_ptr<void> resources) {
        std::lock_guard<std::mutex> lock(mutex_);
        const quintptr ticket = ++last_;
        entries_[ticket] = Entry{owner, std::move(resources), false};
        return ticket;
    }

    // Nothing more is delivered and the resources go now.
    void close(quintptr ticket) {
        std::shared_ptr<void> resources; // freed after the lock is released
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(ticket);
        if (it == entries_.end())
            return;
        resources = std::move(it->second.resources);
        entries_.erase(it);
    }

    // Nothing more is delivered, but the resources stay until the system calls
    // back once more for the ticket (or forever, if it never does).
    void retire(quintptr ticket) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(ticket);
        if (it != entries_.end())
            it->second.owner = nullptr;
    }

    // Whether the system has called back for the ticket, delivered or not.
    bool hasFired(quintptr ticket) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(ticket);
        return it != entries_.end() && it->second.fired;
    }

    // From a system thread: queues `deliver` to the owner's thread, where it
    // runs only if the ticket is still open by then.
    void post(quintptr ticket, Delivery deliver) {
        std::shared_ptr<void> resources; // freed after the lock is released
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(ticket);
        if (it == entries_.end())
            return;
        it->second.fired = true;
        if (!it->second.owner) {
            // Retired: this was the callback it was waiting for.
            resources = std::move(it->second.resources);
            entries_.erase(it);
            return;
        }
        // Under the lock, so the owner cannot be destroyed meanwhile: its
        // backend closes the ticket first.
        QMetaObject::invokeMethod(
            it->second.owner,
            [ticket, deliver = std::move(deliver)] {
                if (QObject* owner = Tickets::instance().ownerOf(ticket))
                    deliver(owner);
            },
            Qt::QueuedConnection);
    }

private:
    struct Entry {
        QObject* owner = nullptr;
        std::shared_ptr<void> resources;
        bool fired = false;
    };

    Tickets() = default;

    QObject* ownerOf(quintptr ticket) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(ticket);
        return it == entries_.end() ? nullptr : it->second.owner;
    }

    mutable std::mutex mutex_;
    quintptr last_ = 0; // 0 is never a ticket
    std::unordered_map<quintptr, Entry> entries_;
};

PVOID toContext(quintptr ticket) {
    return reinterpret_cast<PVOID>(ticket);
}

quintptr fromContext(PVOID context) {
    return reinterpret_cast<quintptr>(context);
}

// Names.

QString localDomain(const QString& domain) {
    QString result = domain.isEmpty() ? QStringLiteral("local") : domain;
    if (result.endsWith(QLatin1Char('.')))
        result.chop(1);
    return result;
}

// "Name._tavlo._udp.local". The instance label is passed as is: our names
// hold no dots or backslashes that would need escaping.
QString fullServiceName(const QString& name, const QString& type, const QString& domain) {
    return name + QLatin1Char('.') + type + QLatin1Char('.') + localDomain(domain);
}

// Undoes the escapes of the DNS text form ("\032", "\."), in case the
// system hands names over escaped.
QString unescapeLabel(const QString& label) {
    if (!label.contains(QLatin1Char('\\')))
        return label;
    const QByteArray in = label.toUtf8();
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    QByteArray out;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out += in[i];
        } else if (i + 3 < in.size() && isDigit(in[i + 1]) && isDigit(in[i + 2]) &&
                   isDigit(in[i + 3])) {
            out += char((in[i + 1] - '0') * 100 + (in[i + 2] - '0') * 10 + (in[i + 3] - '0'));
            i += 3;
        } else {
            out += in[++i];
        }
    }
    return QString::fromUtf8(out);
}

// "Name._tavlo._udp.local." -> ("Name", "local"); false for a name that is
// not an instance of `type`.
bool splitInstanceName(QString fullName, const QString& type, QString* name, QString* domain) {
    if (fullName.endsWith(QLatin1Char('.')))
        fullName.chop(1);
    const QString marker = QLatin1Char('.') + type + QLatin1Char('.');
    const int at = fullName.lastIndexOf(marker, -1, Qt::CaseInsensitive);
    if (at > 0) {
        *name = unescapeLabel(fullName.left(at));
        *domain = fullName.mid(at + marker.size());
    } else if (fullName.endsWith(marker.chopped(1), Qt::CaseInsensitive) &&
               fullName.size() > marker.size() - 1) {
        // No domain given: multicast DNS only knows "local".
        *name = unescapeLabel(fullName.left(fullName.size() - (marker.size() - 1)));
        *domain = QStringLiteral("local");
    } else {
        return false;
    }
    return !name->isEmpty() && !domain->isEmpty();
}

// "TavloClient" -> "TavloClient #2" -> "TavloClient #3", kept within one label.
QString alternativeName(const QString& name) {
    static const QRegularExpression numbered(QStringLiteral("^(.*) #(\\d+)$"));
    QString base = name;
    qulonglong number = 2;
    const QRegularExpressionMatch match = numbered.match(name);
    if (match.hasMatch()) {
        bool ok = false;
        const qulonglong current = match.captured(2).toULongLong(&ok);
        if (ok) {
            base = match.captured(1);
            number = current + 1;
        }
    }
    const QString suffix = QStringLiteral(" #") + QString::number(number);
    while (!base.isEmpty() && (base + suffix).toUtf8().size() > MaxLabelBytes)
        base.chop(1);
    return base + suffix;
}

// Codes by which a registration can say that the name is taken.
bool isNameConflict(DWORD status) {
    switch (status) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_DUP_NAME:
    case DNS_ERROR_RCODE_YXDOMAIN:
    case DNS_ERROR_RCODE_YXRRSET:
    case DNS_ERROR_NOT_UNIQUE:
    case DNS_ERROR_RECORD_ALREADY_EXISTS:
        return true;
    default:
        return false;
    }
}

// Codes by which a browse round says only that nobody answered (yet).
bool isNoAnswer(DWORD status) {
    return status == ERROR_TIMEOUT || status == DWORD(DNS_INFO_NO_RECORDS) ||
           status == DWORD(DNS_ERROR_RCODE_NAME_ERROR);
}

// This host.

// "<computer>.local": the name Windows itself answers for over multicast DNS,
// so the service's SRV record points at a name peers can resolve.
std::wstring localHostName() {
    DWORD size = 0;
    ::GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size); // asks for the size
    if (size == 0)
        return {};
    std::wstring name(size, L'\0');
    if (!::GetComputerNameExW(ComputerNameDnsHostname, &name[0], &size))
        return {};
    name.resize(size); // on success `size` leaves the terminator out
    return name.empty() ? name : name + L".local";
}

// The IPv4 address announced with the host name: the one of the adapter with a
// default gateway and the lowest metric (the LAN the peers are on), else the
// first adapter that is up. Without one Windows answers for the host alone.
bool primaryIpv4(IP4_ADDRESS* address) {
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER |
                        GAA_FLAG_INCLUDE_GATEWAYS;
    std::vector<ULONGLONG> storage; // ULONGLONG keeps the list aligned
    ULONG size = 16 * 1024;
    ULONG error = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && error == ERROR_BUFFER_OVERFLOW; ++attempt) {
        storage.resize(size / sizeof(ULONGLONG) + 1);
        size = ULONG(storage.size() * sizeof(ULONGLONG));
        error =
            ::GetAdaptersAddresses(AF_INET, flags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()), &size);
    }
    if (error != NO_ERROR)
        return false;

    bool found = false;
    bool foundHasGateway = false;
    ULONG foundMetric = ULONG_MAX;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(storage.data()); adapter;
         adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK ||
            adapter->IfType == IF_TYPE_TUNNEL)
            continue;
        const bool hasGateway = adapter->FirstGatewayAddress != nullptr;
        const bool better = !found || (hasGateway && !foundHasGateway) ||
                            (hasGateway == foundHasGateway && adapter->Ipv4Metric < foundMetric);
        if (!better)
            continue;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const sockaddr* socketAddress = unicast->Address.lpSockaddr;
            if (!socketAddress || socketAddress->sa_family != AF_INET ||
                unicast->DadState != IpDadStatePreferred)
                continue;
            // Already in network byte order, as IP4_ADDRESS wants it.
            *address = reinterpret_cast<const sockaddr_in*>(socketAddress)->sin_addr.s_addr;
            found = true;
            foundHasGateway = hasGateway;
            foundMetric = adapter->Ipv4Metric;
            break;
        }
    }
    return found;
}

} // namespace

// Browsing.

class ServiceBrowser::Backend {
public:
    explicit Backend(ServiceBrowser* owner)
        : owner_(owner) {}
    ~Backend() { stop(); }

    void browse() {
        stop();
        const DnsSdApi& api = dnsSd();
        if (!api.available) {
            emit owner_->browsingFailed(int(ERROR_PROC_NOT_FOUND));
            return;
        }
        auto operation = std::make_shared<Operation>();
        operation->queryName = (owner_->serviceType() + QStringLiteral(".local")).toStdWString();
        const quintptr ticket = Tickets::instance().open(owner_, operation);
        DNS_SERVICE_BROWSE_REQUEST& request = operation->request;
        request.Version = DNS_QUERY_REQUEST_VERSION1;
        request.InterfaceIndex = 0; // all interfaces
        request.QueryName = operation->queryName.c_str();
        request.pBrowseCallback = &Backend::onBrowse;
        request.pQueryContext = toContext(ticket);
        const DWORD status = DWORD(api.browse(&request, &operation->cancel));
        if (status != RequestPending) {
            Tickets::instance().close(ticket);
            emit owner_->browsingFailed(int(status));
            return;
        }
        ticket_ = ticket;
        operation_ = std::move(operation);
    }

    void stop() {
        if (!ticket_)
            return;
        dnsSd().browseCancel(&operation_->cancel);
        Tickets::instance().close(std::exchange(ticket_, 0));
        operation_.reset();
        known_.clear();
    }

private:
    struct Operation {
        DNS_SERVICE_BROWSE_REQUEST request{};
        DNS_SERVICE_CANCEL cancel{};
        std::wstring queryName;
    };

    // One PTR answer, copied out of the system's record list.
    struct Answer {
        QString instance; // "Name._tavlo._udp.local"
        bool goodbye = false;
    };

    // On a system thread.
    static void WINAPI onBrowse(DWORD status, PVOID context, PDNS_RECORD records) {
        QVector<Answer> answers;
        // The DNS-SD functions speak UTF-16 only, whatever PDNS_RECORD is
        // mapped to in this build.
        for (auto* record = reinterpret_cast<const DNS_RECORDW*>(records); record;
             record = record->pNext) {
            if (record->wType != DNS_TYPE_PTR || !record->Data.PTR.pNameHost)
                continue;
            // A zero TTL is the owner's goodbye.
            answers.push_back(
                Answer{QString::fromWCharArray(record->Data.PTR.pNameHost), record->dwTtl == 0});
        }
        if (records)
            DnsRecordListFree(records, DnsFreeRecordList);

        Tickets::instance().post(fromContext(context), [status, answers](QObject* owner) {
            static_cast<ServiceBrowser*>(owner)->backend_->handleAnswers(status, answers);
        });
    }

    // On the owner's thread.
    void handleAnswers(DWORD status, const QVector<Answer>& answers) {
        if (status != ERROR_SUCCESS) {
            if (!isNoAnswer(status))
                emit owner_->browsingFailed(int(status));
            return;
        }
        // A slot may stop browsing or delete the browser.
        const QPointer<ServiceBrowser> alive(owner_);
        const quintptr ticket = ticket_;
        for (const Answer& answer : answers) {
            QString name;
            QString domain;
            if (!splitInstanceName(answer.instance, owner_->serviceType(), &name, &domain))
                continue;
            // Names compare case-insensitively; the system repeats answers.
            const QString key = (name + QLatin1Char('.') + domain).toCaseFolded();
            if (answer.goodbye) {
                if (!known_.remove(key))
                    continue;
                emit owner_->serviceRemoved(name, domain);
            } else {
                if (known_.contains(key))
                    continue;
                known_.insert(key);
                emit owner_->serviceAdded(name, domain);
            }
            if (!alive || ticket_ != ticket)
                return;
        }
    }

    ServiceBrowser* owner_;
    quintptr ticket_ = 0;
    std::shared_ptr<Operation> operation_;
    QSet<QString> known_;
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

// Registration and lookup.

class DiscoverableService::Backend {
public:
    explicit Backend(DiscoverableService* owner)
        : owner_(owner) {}
    ~Backend() { release(); }

    void registerService(bool noAutoRename) {
        release();
        noAutoRename_ = noAutoRename;
        renames_ = 0;
        startRegistration();
    }

    void release() {
        withdrawRegistration();
        cancelLookup();
    }

    void resolve() {
        release();
        const DnsSdApi& api = dnsSd();
        if (!api.available) {
            emit owner_->lookupError(int(ERROR_PROC_NOT_FOUND));
            return;
        }
        auto lookup = std::make_shared<Lookup>();
        lookup->queryName =
            fullServiceName(owner_->serviceName(), owner_->serviceType(), owner_->domain())
                .toStdWString();
        const quintptr ticket = Tickets::instance().open(owner_, lookup);
        DNS_SERVICE_RESOLVE_REQUEST& request = lookup->request;
        request.Version = DNS_QUERY_REQUEST_VERSION1;
        request.InterfaceIndex = 0; // all interfaces
        request.QueryName = &lookup->queryName[0];
        request.pResolveCompletionCallback = &Backend::onResolved;
        request.pQueryContext = toContext(ticket);
        const DWORD status = DWORD(api.resolve(&request, &lookup->cancel));
        if (status != RequestPending) {
            Tickets::instance().close(ticket);
            emit owner_->lookupError(int(status));
            return;
        }
        lookupTicket_ = ticket;
        lookup_ = std::move(lookup);
        // The backend lives as long as the owner, the timer's context.
        QTimer::singleShot(LookupTimeoutMs, owner_, [this, ticket] {
            if (lookupTicket_ != ticket)
                return;
            cancelLookup();
            emit owner_->lookupError(int(ERROR_TIMEOUT));
        });
    }

private:
    // Kept at one address from DnsServiceRegister to the end of
    // DnsServiceDeRegister, which wants the request the service was registered with.
    struct Registration {
        DNS_SERVICE_REGISTER_REQUEST request{};
        DNS_SERVICE_CANCEL cancel{};
        InstancePtr instance;
    };

    struct Lookup {
        DNS_SERVICE_RESOLVE_REQUEST request{};
        DNS_SERVICE_CANCEL cancel{};
        std::wstring queryName;
    };

    struct LookupResult {
        DWORD status = ERROR_SUCCESS;
        bool hasIpv4 = false;
        quint32 ipv4 = 0; // host byte order
        quint16 port = 0;
    };

    void startRegistration() {
        const DnsSdApi& api = dnsSd();
        if (!api.available) {
            emit owner_->registrationError(int(ERROR_PROC_NOT_FOUND));
            return;
        }
        const std::wstring hostName = localHostName();
        if (hostName.empty()) {
            const DWORD error = ::GetLastError();
            emit owner_->registrationError(int(error ? error : DWORD(ERROR_INVALID_COMPUTERNAME)));
            return;
        }
        IP4_ADDRESS address = 0;
        const bool hasAddress = primaryIpv4(&address);
        const std::wstring instanceName =
            fullServiceName(owner_->serviceName(), owner_->serviceType(), owner_->domain())
                .toStdWString();

        auto registration = std::make_shared<Registration>();
        registration->instance.reset(api.constructInstance(
            instanceName.c_str(), hostName.c_str(), hasAddress ? &address : nullptr, nullptr,
            owner_->port(), 0, 0, 0, nullptr, nullptr));
        if (!registration->instance) {
            emit owner_->registrationError(int(ERROR_OUTOFMEMORY));
            return;
        }
        const quintptr ticket = Tickets::instance().open(owner_, registration);
        DNS_SERVICE_REGISTER_REQUEST& request = registration->request;
        request.Version = DNS_QUERY_REQUEST_VERSION1;
        request.InterfaceIndex = 0; // all interfaces
        request.pServiceInstance = registration->instance.get();
        request.pRegisterCompletionCallback = &Backend::onRegistered;
        request.pQueryContext = toContext(ticket);
        request.hCredentials = nullptr;
        request.unicastEnabled = FALSE; // multicast DNS only
        const DWORD status = api.registerService(&request, &registration->cancel);
        if (status != RequestPending) {
            Tickets::instance().close(ticket);
            registrationFailed(status);
            return;
        }
        registrationTicket_ = ticket;
        registration_ = std::move(registration);
    }

    // Takes the announcement off the network, or stops it being made.
    void withdrawRegistration() {
        if (!registrationTicket_)
            return;
        const DnsSdApi& api = dnsSd();
        Tickets& tickets = Tickets::instance();
        const quintptr ticket = std::exchange(registrationTicket_, 0);
        Registration& registration = *registration_;
        // Whether the system may still call back for this ticket.
        bool pending = false;
        if (registered_ || tickets.hasFired(ticket)) {
            pending = api.deregisterService(&registration.request, nullptr) == RequestPending;
        } else if (api.registerCancel(&registration.cancel) == ERROR_SUCCESS) {
            pending = true; // it may still report the cancel
        } else if (tickets.hasFired(ticket)) {
            // Completed between the two checks.
            pending = api.deregisterService(&registration.request, nullptr) == RequestPending;
        }
        // The ticket holds the request and instance for as long as the
        // system may use them.
        if (pending)
            tickets.retire(ticket);
        else
            tickets.close(ticket);
        registration_.reset();
        registered_ = false;
    }

    void cancelLookup() {
        if (!lookupTicket_)
            return;
        if (!Tickets::instance().hasFired(lookupTicket_))
            dnsSd().resolveCancel(&lookup_->cancel);
        Tickets::instance().close(std::exchange(lookupTicket_, 0));
        lookup_.reset();
    }

    // A registration that failed, at once or later: on a taken name try the
    // next free variant, else report.
    void registrationFailed(DWORD status) {
        if (!noAutoRename_ && isNameConflict(status) && renames_ < MaxRenames) {
            ++renames_;
            owner_->serviceName_ = alternativeName(owner_->serviceName_);
            startRegistration();
            return;
        }
        emit owner_->registrationError(int(status));
    }

    // On a system thread, for registration and deregistration alike.
    static void WINAPI onRegistered(DWORD status, PVOID context, PDNS_SERVICE_INSTANCE instance) {
        // The system's copy of the instance; ours stays with the ticket.
        if (instance)
            dnsSd().freeInstance(instance);
        Tickets::instance().post(fromContext(context), [status](QObject* owner) {
            static_cast<DiscoverableService*>(owner)->backend_->handleRegistered(status);
        });
    }

    // On the owner's thread.
    void handleRegistered(DWORD status) {
        if (status == ERROR_SUCCESS) {
            if (!registered_) {
                registered_ = true;
                emit owner_->registered();
            }
            return;
        }
        // Gone (or never made): nothing left to withdraw.
        Tickets::instance().close(std::exchange(registrationTicket_, 0));
        registration_.reset();
        registered_ = false;
        registrationFailed(status);
    }

    // On a system thread.
    static void WINAPI onResolved(DWORD status, PVOID context, PDNS_SERVICE_INSTANCE instance) {
        LookupResult result;
        result.status = status;
        if (instance) {
            if (instance->ip4Address) {
                result.hasIpv4 = true;
                // IP4_ADDRESS is in network byte order.
                result.ipv4 = qFromBigEndian<quint32>(instance->ip4Address);
            }
            result.port = instance->wPort;
            dnsSd().freeInstance(instance);
        }
        Tickets::instance().post(fromContext(context), [result](QObject* owner) {
            static_cast<DiscoverableService*>(owner)->backend_->handleResolved(result);
        });
    }

    // On the owner's thread.
    void handleResolved(const LookupResult& result) {
        Tickets::instance().close(std::exchange(lookupTicket_, 0));
        lookup_.reset();
        if (result.status != ERROR_SUCCESS)
            emit owner_->lookupError(int(result.status));
        else if (!result.hasIpv4)
            emit owner_->lookupError(int(DNS_INFO_NO_RECORDS));
        else
            emit owner_->lookuped(QHostAddress(result.ipv4), result.port);
    }

    DiscoverableService* owner_;
    bool noAutoRename_ = false;
    int renames_ = 0;
    quintptr registrationTicket_ = 0;
    std::shared_ptr<Registration> registration_;
    bool registered_ = false;
    quintptr lookupTicket_ = 0;
    std::shared_ptr<Lookup> lookup_;
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
    // Names under .local are always looked up over multicast.
    backend_->resolve();
}
