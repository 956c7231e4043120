#pragma once

#include "CastHandler.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

// How one simulated device introduces itself and where it listens.
struct DeviceIdentity {
    QHostAddress address;
    QString name;
    QString uuid;
    QString version;
    QString os;
    QString type;
    QStringList support;
};

// Misbehaviour the simulator can play so the client's error paths get exercised.
struct SimFaults {
    qint64 dropAfterBytes = -1;  // below 0: connections are never cut
    int dropTimes = 1;           // how many connections of each session are cut
    qint64 stallAfterBytes = -1; // below 0: connections never stall
    int notCompletePolls = 0;    // completion polls answered "not_complete" regardless
    bool noPollAnswer = false;
    bool wrongPort = false;
    bool garbage = false;
    bool noFinished = false;
    bool silentRequests = false;
    QHash<QString, QString> failReasons; // request type -> forced fail reason
};

// The simulator as a peer of PCs that send files to each other: it can
// offer one of its files to a PC, and fetch what PCs offer it.
struct PeerOptions {
    QString offerPath;    // a device path, e.g. "/Pictures/poster.png"
    QHostAddress offerTo; // the PC it is offered to
    bool fetchOffers = false;
    qint64 fetchCutAfter = -1;  // below 0: the first fetch connection is not cut
    bool decimalResume = false; // resume offset as decimal digits, not 8 raw bytes
};

// The simulator's command line. Parsed without exiting so tests can feed it
// argument lists; the program prints helpText() itself.
class SimOptions {
public:
    static constexpr quint16 DefaultQueryPort = 16020;
    static constexpr quint16 DefaultRequestPort = 16021;

    enum class Mode { Devices, AskPc };

    bool parse(const QStringList& arguments);
    QString errorText() const { return error_; }
    bool helpRequested() const { return helpRequested_; }
    bool versionRequested() const { return versionRequested_; }
    QString helpText() const { return helpText_; }

    Mode mode() const { return mode_; }
    // One identity per --address, names and uuids made distinct.
    QList<DeviceIdentity> devices() const;
    // The uuid a device on `address` gets when none is given: readable and
    // different for every address (the wildcard takes the host's own address).
    static QString derivedUuid(const QHostAddress& address);

    QList<QHostAddress> addresses;
    QString name = QStringLiteral("Tavlo-Sim");
    QString uuid; // empty: derived from the address
    QString version;
    QString os = QStringLiteral("Android");
    QString type;
    QStringList support;
    quint16 queryPort = DefaultQueryPort;
    quint16 requestPort = DefaultRequestPort;
    bool noBroadcast = false;
    bool noQuery = false;
    QString announceName;
    bool watchMdns = false;

    QHostAddress askPcAddress;
    quint16 askPcPort = DefaultQueryPort;
    int waitMs = 3000;
    QString probeVersion;
    QString probeUuid;

    QString storeDir; // empty: a temporary store
    QStringList extraTopFolders;
    bool sampleFiles = false;
    int listingChunk = 20;
    bool quiet = false;
    SimFaults faults;
    PeerOptions peer;
    CastSettings cast;

private:
    bool fail(const QString& text);

    QString error_;
    QString helpText_;
    bool helpRequested_ = false;
    bool versionRequested_ = false;
    Mode mode_ = Mode::Devices;
};
