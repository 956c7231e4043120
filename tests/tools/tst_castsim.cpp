// The simulator's cast side on its own: challenges, proofs, the legacy
// device and the command-line options that set them up.
#include "CastHandler.h"
#include "EventLog.h"
#include "SimOptions.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QtTest>

#include <cstdio>

namespace {

const QHostAddress Client("127.0.5.60");
const QHostAddress Device("127.0.5.61");

QVariantMap request(const QString& type, const QString& proof = QString()) {
    QVariantMap map{{"type", type}, {"uuid", "pc-1"}};
    if (!proof.isEmpty())
        map.insert("passwd", proof);
    return map;
}

} // namespace

class TestCastSim : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openDevice();
    void passwordChallenges();
    void legacyDevice();
    void options();

private:
    FILE* out_ = nullptr;
    EventLog* log_ = nullptr;
};

void TestCastSim::init() {
    out_ = std::tmpfile();
    log_ = new EventLog(false, out_);
}

void TestCastSim::cleanup() {
    delete log_;
    std::fclose(out_);
}

void TestCastSim::openDevice() {
    CastHandler handler(CastSettings(), "dev-uuid", *log_);
    const QVariantMap auth = handler.handle(request("get_auth"), Client, Device);
    QCOMPARE(auth.value("result").toString(), QString("ok"));
    QCOMPARE(auth.value("uuid").toString(), QString("dev-uuid"));
    QCOMPARE(auth.value("need_passwd").toBool(), false);
    QVERIFY(!auth.contains("random_data"));
    const QVariantMap cast = handler.handle(request("cast"), Client, Device);
    QCOMPARE(cast.value("result").toString(), QString("ok"));
    QCOMPARE(cast.value("ip").toString(), QString("127.0.5.61"));

    CastSettings noIp;
    noIp.noIp = true;
    CastHandler quiet(noIp, "dev-uuid", *log_);
    QVERIFY(!quiet.handle(request("cast"), Client, Device).contains("ip"));

    const QVariantMap odd = handler.handle(request("dance"), Client, Device);
    QCOMPARE(odd.value("result").toString(), QString("fail"));
    QCOMPARE(odd.value("error_code").toInt(), -1000);
    QCOMPARE(odd.value("reason").toString(), QString("Unknow type: dance"));
}

void TestCastSim::passwordChallenges() {
    QCOMPARE(CastHandler::expectedProof("1234", "a1b2c3"),
             QString("401cd25b2029447d3a2fe9b408bc47d0"));
    CastSettings settings;
    settings.password = "1234";
    CastHandler handler(settings, "dev-uuid", *log_);

    const QString first =
        handler.handle(request("get_auth"), Client, Device).value("random_data").toString();
    const QVariantMap second = handler.handle(request("get_auth"), Client, Device);
    QCOMPARE(second.value("need_passwd").toBool(), true);
    const QString challenge = second.value("random_data").toString();
    QVERIFY(!first.isEmpty());
    QVERIFY(challenge != first); // fresh every time

    // Only the last challenge counts, and only once.
    const QVariantMap stale =
        handler.handle(request("cast", CastHandler::expectedProof("1234", first)), Client, Device);
    QCOMPARE(stale.value("error_code").toInt(), -1002);
    handler.handle(request("get_auth"), Client, Device);
    QCOMPARE(handler.handle(request("cast"), Client, Device).value("reason").toString(),
             QString("password required"));

    const QString fresh =
        handler.handle(request("get_auth"), Client, Device).value("random_data").toString();
    const QString proof = CastHandler::expectedProof("1234", fresh);
    QCOMPARE(handler.handle(request("confirm", proof), Client, Device).value("result").toString(),
             QString("ok"));
    const QVariantMap replay = handler.handle(request("cast", proof), Client, Device);
    QCOMPARE(replay.value("error_code").toInt(), -1002);
    QCOMPARE(replay.value("reason").toString(), QString("wrong password"));

    // Another PC's challenge is not this one's.
    const QString other = handler.handle(request("get_auth"), QHostAddress("127.0.5.62"), Device)
                              .value("random_data")
                              .toString();
    QCOMPARE(
        handler.handle(request("cast", CastHandler::expectedProof("1234", other)), Client, Device)
            .value("error_code")
            .toInt(),
        -1002);
}

void TestCastSim::legacyDevice() {
    CastSettings settings;
    settings.legacy = true;
    settings.password = "ignored";
    CastHandler handler(settings, "dev-uuid", *log_);
    for (const QString type : {"get_auth", "confirm", "cancel_confirm"}) {
        const QVariantMap reply = handler.handle(request(type), Client, Device);
        QCOMPARE(reply.value("result").toString(), QString("fail"));
        QCOMPARE(reply.value("reason").toString(), "Unknow type: " + type);
        QVERIFY(!reply.contains("error_code"));
    }
    QCOMPARE(handler.handle(request("cast"), Client, Device).value("result").toString(),
             QString("ok"));
}

void TestCastSim::options() {
    SimOptions options;
    QVERIFY(options.parse({"sim", "--cast-password", "会议", "--cast-no-ip", "--cast-legacy"}));
    QCOMPARE(options.cast.password, QString("会议"));
    QVERIFY(options.cast.noIp);
    QVERIFY(options.cast.legacy);
    QVERIFY(options.parse({"sim"}));
    QVERIFY(options.cast.password.isEmpty());
    QVERIFY(!options.cast.noIp && !options.cast.legacy);
    QVERIFY(!options.parse({"sim", "--cast-password", ""}));
}

QTEST_GUILESS_MAIN(TestCastSim)
#include "tst_castsim.moc"
