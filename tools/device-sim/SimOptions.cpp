#include "SimOptions.h"

#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/SupportPort.h"

#include <QCommandLineParser>
#include <QNetworkInterface>

#include <limits>

namespace {

const SupportPort DefaultCastFeature{QStringLiteral("Glimmer"), 5000};

bool toPort(const QString& text, quint16& port) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > std::numeric_limits<quint16>::max())
        return false;
    port = quint16(value);
    return true;
}

// "ADDRESS" or "ADDRESS:PORT", IPv4 only.
bool toAddressAndPort(const QString& text, QHostAddress& address, quint16& port) {
    QString host = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = text.left(colon);
        if (!toPort(text.mid(colon + 1), port))
            return false;
    }
    return address.setAddress(host) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

} // namespace

bool SimOptions::fail(const QString& text) {
    error_ = text;
    return false;
}

bool SimOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays one or more Tavlo meeting-room display devices: answers device\n"
        "queries and file requests, serves and stores files over TCP, negotiates\n"
        "casts. Stops cleanly on SIGINT/SIGTERM.\n"
        "\n"
        "Event lines on standard output (flushed):\n"
        "  store DIR | listening ADDRESS query=PORT request=PORT [cast=PORT]\n"
        "  request TYPE JSON | query from ADDR:PORT | ignored ... |\n"
        "    session ID KIND PATH size=N tcp=PORT (these not with --quiet)\n"
        "  stored PATH md5=HEX | sent PATH | cut PATH session=ID at=N |\n"
        "    stalled PATH session=ID at=N | expired PATH session=ID |\n"
        "    transfer-failed PATH session=ID at=N ERROR\n"
        "  opened PATH | deleted PATH | salutatory TEXT\n"
        "  offered PATH to ADDR | offer PATH from ADDR | fetch-granted PATH ... |\n"
        "    fetch-cut PATH at=N | fetched PATH bytes=N md5=HEX |\n"
        "    fetch-confirmed PATH | fetch-disputed PATH REASON | fetch-refused PATH\n"
        "  cast side (on the \"Glimmer\" port): cast-request TYPE JSON (not with\n"
        "    --quiet) | cast-auth need_passwd=BOOL | cast-confirm NAME |\n"
        "    cast-cancel-confirm | cast-accepted WxH port=N fingo_port=N\n"
        "    passwd=yes|no ip=IP|none | cast-refused TYPE CODE REASON |\n"
        "    cast-unavailable ADDR port=N: ERROR (the port is taken; no casting)\n"
        "  announced NAME | announce-failed CODE | mdns-added NAME |\n"
        "    mdns-removed NAME | mdns-failed CODE\n"
        "  probe mode: probe ADDR:PORT JSON (not with --quiet) |\n"
        "    reply ADDR:PORT TEXT | probe-failed ERROR"));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Help and version only print: no device starts for them.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption versionFlag(QStringLiteral("version"),
                                         QStringLiteral("Shows the version and exits."));
    parser.addOption(help);
    parser.addOption(versionFlag);

    const QCommandLineOption addressOpt(
        QStringLiteral("address"),
        QStringLiteral("Plays one device on ADDR (repeatable; default 0.0.0.0 = every interface, "
                       "which also hears broadcasts)."),
        QStringLiteral("ADDR"));
    const QCommandLineOption nameOpt(
        QStringLiteral("name"),
        QStringLiteral("Device name (default Tavlo-Sim; further devices get \" #2\", \" #3\"...)."),
        QStringLiteral("TEXT"), name);
    const QCommandLineOption uuidOpt(
        QStringLiteral("uuid"),
        QStringLiteral("Device uuid (default derived from the address, e.g. sim-127-0-0-2; "
                       "further devices get \"-2\", \"-3\"...)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption versionOpt(QStringLiteral("device-version"),
                                        QStringLiteral("Device version (default v1.0)."),
                                        QStringLiteral("TEXT"), Protocol::V1_0);
    const QCommandLineOption osOpt(QStringLiteral("os"),
                                   QStringLiteral("Device operating system (default Android)."),
                                   QStringLiteral("TEXT"), os);
    const QCommandLineOption typeOpt(QStringLiteral("type"),
                                     QStringLiteral("Device type (default server)."),
                                     QStringLiteral("TEXT"), Protocol::SERVER);
    const QCommandLineOption supportOpt(
        QStringLiteral("support"),
        QStringLiteral("A support entry of the query reply (repeatable; default \"file_upload\" "
                       "and \"Glimmer : 5000\")."),
        QStringLiteral("ENTRY"));
    const QCommandLineOption queryPortOpt(
        QStringLiteral("query-port"),
        QStringLiteral("UDP port for device queries (default 16020; 0 = any free port)."),
        QStringLiteral("N"), QString::number(DefaultQueryPort));
    const QCommandLineOption requestPortOpt(
        QStringLiteral("request-port"),
        QStringLiteral("UDP port for requests (default 16021; 0 = any free port)."),
        QStringLiteral("N"), QString::number(DefaultRequestPort));
    const QCommandLineOption noBroadcastOpt(
        QStringLiteral("no-broadcast"),
        QStringLiteral("Ignores queries sent to a broadcast address (unicast only)."));
    const QCommandLineOption noQueryOpt(QStringLiteral("no-query"),
                                        QStringLiteral("Answers no device queries at all."));
    const QCommandLineOption announceOpt(
        QStringLiteral("announce"),
        QStringLiteral("Announces a multicast DNS service _tavlo._udp named NAME on the query "
                       "port."),
        QStringLiteral("NAME"));
    const QCommandLineOption watchOpt(
        QStringLiteral("watch-mdns"),
        QStringLiteral("Prints mdns-added / mdns-removed lines for _tavlo._udp services."));
    const QCommandLineOption askPcOpt(
        QStringLiteral("ask-pc"),
        QStringLiteral("Probe mode: sends one discovery datagram (type server) to ADDRESS "
                       "(default port 16020), prints every reply, plays no device; exit code 0 "
                       "when a reply came, else 1."),
        QStringLiteral("ADDRESS[:PORT]"));
    const QCommandLineOption waitOpt(
        QStringLiteral("wait"),
        QStringLiteral("Probe mode: how long to collect replies (default 3)."),
        QStringLiteral("SECONDS"), QStringLiteral("3"));
    const QCommandLineOption probeVersionOpt(
        QStringLiteral("probe-version"),
        QStringLiteral("Probe mode: version sent (default v1.0; empty leaves it out)."),
        QStringLiteral("TEXT"), Protocol::V1_0);
    const QCommandLineOption probeUuidOpt(
        QStringLiteral("probe-uuid"),
        QStringLiteral("Probe mode: uuid sent (default the device uuid; empty leaves it out)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption storeOpt(
        QStringLiteral("store"),
        QStringLiteral("File store root, created if missing (default a temporary folder removed "
                       "at exit). Shared by all devices of the process."),
        QStringLiteral("DIR"));
    const QCommandLineOption extraTopOpt(
        QStringLiteral("extra-top-folder"),
        QStringLiteral("Creates one more top-level folder in the normal area (repeatable)."),
        QStringLiteral("NAME"));
    const QCommandLineOption sampleOpt(QStringLiteral("sample-files"),
                                       QStringLiteral("Puts sample pictures, texts and "
                                                      "whiteboard notes into the store."));
    const QCommandLineOption chunkOpt(QStringLiteral("listing-chunk"),
                                      QStringLiteral("Entries per listing datagram (default 20)."),
                                      QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption dropAfterOpt(
        QStringLiteral("drop-after"),
        QStringLiteral("Closes a transfer connection after BYTES data bytes moved on it (uploads "
                       "and downloads)."),
        QStringLiteral("BYTES"));
    const QCommandLineOption dropTimesOpt(
        QStringLiteral("drop-times"),
        QStringLiteral("With --drop-after: cuts the first K connections of every session "
                       "(default 1)."),
        QStringLiteral("K"), QStringLiteral("1"));
    const QCommandLineOption offerOpt(
        QStringLiteral("offer"),
        QStringLiteral("Offers the store file PATH (a device path) to the PC named by "
                       "--offer-to once listening, as a device pushing a file does."),
        QStringLiteral("PATH"));
    const QCommandLineOption offerToOpt(QStringLiteral("offer-to"),
                                        QStringLiteral("With --offer: the PC's address."),
                                        QStringLiteral("ADDRESS"));
    const QCommandLineOption fetchOpt(
        QStringLiteral("fetch-offers"),
        QStringLiteral("Fetches every file a PC offers (file_distribution) into the store's "
                       "\"fetched\" folder, then confirms it with query_result."));
    const QCommandLineOption fetchCutOpt(
        QStringLiteral("fetch-cut-after"),
        QStringLiteral("With --fetch-offers: cuts the first connection after N bytes and "
                       "resumes."),
        QStringLiteral("N"));
    const QCommandLineOption resumeFormOpt(
        QStringLiteral("resume-form"),
        QStringLiteral("With --fetch-cut-after: the resume offset as \"raw\" (8 bytes, "
                       "default) or \"decimal\" digits."),
        QStringLiteral("FORM"), QStringLiteral("raw"));
    const QCommandLineOption stallOpt(
        QStringLiteral("stall-after"),
        QStringLiteral("Stops moving data after N bytes of the first connection of every "
                       "session and holds the connection open until the client leaves."),
        QStringLiteral("N"));
    const QCommandLineOption notCompleteOpt(
        QStringLiteral("not-complete"),
        QStringLiteral("Answers the first K completion polls of every session with "
                       "not_complete."),
        QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption noPollOpt(QStringLiteral("no-poll-answer"),
                                       QStringLiteral("Never answers query_result."));
    const QCommandLineOption wrongPortOpt(
        QStringLiteral("wrong-port"),
        QStringLiteral("Sends request replies from another port than the request port."));
    const QCommandLineOption garbageOpt(
        QStringLiteral("garbage"), QStringLiteral("Answers every request with a datagram that is "
                                                  "not JSON."));
    const QCommandLineOption failOpt(
        QStringLiteral("fail"),
        QStringLiteral("Answers requests of TYPE with result fail and REASON (repeatable)."),
        QStringLiteral("TYPE:REASON"));
    const QCommandLineOption noFinishedOpt(
        QStringLiteral("no-finished"),
        QStringLiteral("Never marks a listing datagram as finished."));
    const QCommandLineOption silentOpt(QStringLiteral("silent-requests"),
                                       QStringLiteral("Never answers requests."));
    const QCommandLineOption castPasswordOpt(
        QStringLiteral("cast-password"),
        QStringLiteral("Screen casting needs this password: get_auth asks for it with a fresh "
                       "challenge, a wrong proof is refused with error code -1002."),
        QStringLiteral("TEXT"));
    const QCommandLineOption castNoIpOpt(QStringLiteral("cast-no-ip"),
                                         QStringLiteral("The cast reply names no \"ip\"."));
    const QCommandLineOption castLegacyOpt(
        QStringLiteral("cast-legacy"),
        QStringLiteral("Plays a device from before cast passwords: get_auth, confirm and "
                       "cancel_confirm are answered \"Unknow type: TYPE\"; cast is accepted."));
    const QCommandLineOption quietOpt(
        QStringLiteral("quiet"),
        QStringLiteral("Leaves out the request, query and ignored lines."));

    parser.addOptions({addressOpt,      nameOpt,      uuidOpt,      versionOpt,     osOpt,
                       typeOpt,         supportOpt,   queryPortOpt, requestPortOpt, noBroadcastOpt,
                       noQueryOpt,      announceOpt,  watchOpt,     askPcOpt,       waitOpt,
                       probeVersionOpt, probeUuidOpt, storeOpt,     extraTopOpt,    sampleOpt,
                       chunkOpt,        dropAfterOpt, dropTimesOpt, notCompleteOpt, noPollOpt,
                       wrongPortOpt,    garbageOpt,   failOpt,      noFinishedOpt,  silentOpt,
                       quietOpt,        stallOpt,     offerOpt,     offerToOpt,     fetchOpt,
                       fetchCutOpt,     resumeFormOpt});
    parser.addOptions({castPasswordOpt, castNoIpOpt, castLegacyOpt});

    helpText_ = parser.helpText();
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    helpRequested_ = parser.isSet(help);
    versionRequested_ = parser.isSet(versionFlag);
    if (helpRequested_ || versionRequested_)
        return true;
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: %1")
                        .arg(parser.positionalArguments().constFirst()));

    addresses.clear();
    const QStringList addressTexts = parser.isSet(addressOpt)
                                         ? parser.values(addressOpt)
                                         : QStringList{QStringLiteral("0.0.0.0")};
    for (const QString& text : addressTexts) {
        QHostAddress address;
        if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol)
            return fail(QStringLiteral("Not an IPv4 address: %1").arg(text));
        if (addresses.contains(address))
            return fail(QStringLiteral("Address given twice: %1").arg(text));
        addresses << address;
    }

    name = parser.value(nameOpt);
    uuid = parser.value(uuidOpt);
    version = parser.value(versionOpt);
    os = parser.value(osOpt);
    type = parser.value(typeOpt);
    support = parser.isSet(supportOpt)
                  ? parser.values(supportOpt)
                  : QStringList{Protocol::FILE_UPLOAD, DefaultCastFeature.toString()};
    if (!toPort(parser.value(queryPortOpt), queryPort))
        return fail(QStringLiteral("Bad --query-port: %1").arg(parser.value(queryPortOpt)));
    if (!toPort(parser.value(requestPortOpt), requestPort))
        return fail(QStringLiteral("Bad --request-port: %1").arg(parser.value(requestPortOpt)));
    noBroadcast = parser.isSet(noBroadcastOpt);
    noQuery = parser.isSet(noQueryOpt);
    announceName = parser.value(announceOpt);
    if (parser.isSet(announceOpt) && announceName.isEmpty())
        return fail(QStringLiteral("--announce needs a name"));
    watchMdns = parser.isSet(watchOpt);

    mode_ = parser.isSet(askPcOpt) ? Mode::AskPc : Mode::Devices;
    if (mode_ == Mode::AskPc) {
        askPcPort = DefaultQueryPort;
        if (!toAddressAndPort(parser.value(askPcOpt), askPcAddress, askPcPort))
            return fail(QStringLiteral("Bad --ask-pc: %1").arg(parser.value(askPcOpt)));
    }
    bool ok = false;
    const double waitSeconds = parser.value(waitOpt).toDouble(&ok);
    if (!ok || waitSeconds <= 0 || waitSeconds > 3600)
        return fail(QStringLiteral("Bad --wait: %1").arg(parser.value(waitOpt)));
    waitMs = int(waitSeconds * 1000);
    probeVersion = parser.value(probeVersionOpt);
    probeUuid =
        parser.isSet(probeUuidOpt) ? parser.value(probeUuidOpt) : devices().constFirst().uuid;

    storeDir = parser.value(storeOpt);
    extraTopFolders = parser.values(extraTopOpt);
    for (const QString& folder : qAsConst(extraTopFolders)) {
        if (folder.isEmpty() || folder.contains(QLatin1Char('/')) || folder == QLatin1String(".") ||
            folder == QLatin1String(".."))
            return fail(QStringLiteral("Bad --extra-top-folder: %1").arg(folder));
    }
    sampleFiles = parser.isSet(sampleOpt);
    listingChunk = parser.value(chunkOpt).toInt(&ok);
    if (!ok || listingChunk < 1)
        return fail(QStringLiteral("Bad --listing-chunk: %1").arg(parser.value(chunkOpt)));
    quiet = parser.isSet(quietOpt);
    cast = CastSettings();
    cast.password = parser.value(castPasswordOpt);
    if (parser.isSet(castPasswordOpt) && cast.password.isEmpty())
        return fail(QStringLiteral("--cast-password needs a password"));
    cast.noIp = parser.isSet(castNoIpOpt);
    cast.legacy = parser.isSet(castLegacyOpt);

    faults = SimFaults();
    if (parser.isSet(dropAfterOpt)) {
        faults.dropAfterBytes = parser.value(dropAfterOpt).toLongLong(&ok);
        if (!ok || faults.dropAfterBytes < 0)
            return fail(QStringLiteral("Bad --drop-after: %1").arg(parser.value(dropAfterOpt)));
    }
    if (parser.isSet(stallOpt)) {
        faults.stallAfterBytes = parser.value(stallOpt).toLongLong(&ok);
        if (!ok || faults.stallAfterBytes < 0)
            return fail(QStringLiteral("Bad --stall-after: %1").arg(parser.value(stallOpt)));
    }
    peer = PeerOptions();
    peer.offerPath = parser.value(offerOpt);
    if (!peer.offerPath.isEmpty() && (!peer.offerTo.setAddress(parser.value(offerToOpt)) ||
                                      peer.offerTo.protocol() != QAbstractSocket::IPv4Protocol))
        return fail(QStringLiteral("--offer needs --offer-to ADDRESS"));
    peer.fetchOffers = parser.isSet(fetchOpt);
    if (parser.isSet(fetchCutOpt)) {
        peer.fetchCutAfter = parser.value(fetchCutOpt).toLongLong(&ok);
        if (!ok || peer.fetchCutAfter < 0)
            return fail(QStringLiteral("Bad --fetch-cut-after: %1").arg(parser.value(fetchCutOpt)));
    }
    const QString form = parser.value(resumeFormOpt);
    if (form != QLatin1String("raw") && form != QLatin1String("decimal"))
        return fail(QStringLiteral("Bad --resume-form (raw or decimal): %1").arg(form));
    peer.decimalResume = form == QLatin1String("decimal");
    faults.dropTimes = parser.value(dropTimesOpt).toInt(&ok);
    if (!ok || faults.dropTimes < 0)
        return fail(QStringLiteral("Bad --drop-times: %1").arg(parser.value(dropTimesOpt)));
    faults.notCompletePolls = parser.value(notCompleteOpt).toInt(&ok);
    if (!ok || faults.notCompletePolls < 0)
        return fail(QStringLiteral("Bad --not-complete: %1").arg(parser.value(notCompleteOpt)));
    faults.noPollAnswer = parser.isSet(noPollOpt);
    faults.wrongPort = parser.isSet(wrongPortOpt);
    faults.garbage = parser.isSet(garbageOpt);
    faults.noFinished = parser.isSet(noFinishedOpt);
    faults.silentRequests = parser.isSet(silentOpt);
    for (const QString& entry : parser.values(failOpt)) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            return fail(QStringLiteral("Bad --fail (TYPE:REASON): %1").arg(entry));
        faults.failReasons.insert(entry.left(colon), entry.mid(colon + 1));
    }
    return true;
}

QList<DeviceIdentity> SimOptions::devices() const {
    QList<DeviceIdentity> result;
    const QList<QHostAddress> where =
        addresses.isEmpty() ? QList<QHostAddress>{QHostAddress(QHostAddress::AnyIPv4)} : addresses;
    for (int i = 0; i < where.size(); ++i) {
        const QString suffix = i == 0 ? QString() : QString::number(i + 1);
        DeviceIdentity device;
        device.address = where.at(i);
        device.name = suffix.isEmpty() ? name : name + QStringLiteral(" #") + suffix;
        if (uuid.isEmpty())
            device.uuid = derivedUuid(device.address);
        else
            device.uuid = suffix.isEmpty() ? uuid : uuid + QLatin1Char('-') + suffix;
        device.version = version;
        device.os = os;
        device.type = type;
        device.support = support;
        result << device;
    }
    return result;
}

QString SimOptions::derivedUuid(const QHostAddress& address) {
    QHostAddress source = address;
    // A device on the wildcard address (alone in its network namespace) is
    // named after the address the peers see.
    if (address == QHostAddress(QHostAddress::AnyIPv4)) {
        for (const QHostAddress& candidate : QNetworkInterface::allAddresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol && !candidate.isLoopback()) {
                source = candidate;
                break;
            }
        }
    }
    return QStringLiteral("sim-") + source.toString().replace(QLatin1Char('.'), QLatin1Char('-'));
}
