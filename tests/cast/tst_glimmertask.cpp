// The cast handshake against the device simulator on loopback and against
// peers the test steers: which requests go out (bytes written out by hand),
// the password rounds, the questions, the legacy device, the time-out, and
// the mirroring program's command line (a recording script stands in for it).
#include "cast/GlimmerTask.h"
#include "common/TestSupport.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "utils/Config.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QThreadPool>
#include <QtTest>

#include <functional>

namespace {

// What a task reported, gathered on the task's thread and read after it ended.
struct Outcome {
    bool started = false;
    bool finished = false;
    QStringList serverNames;
    QStringList errors;
    QStringList offeredPasswords;
    QStringList passwordTitles;
    QStringList passwordContents;
    QStringList confirmNames;
    qint64 elapsedMs = 0;
};

using PasswordAnswer = std::function<QString(int round)>;

// Runs `task` on a pool thread while this thread keeps the fake peers
// answering. The questions are answered on the task's thread, as a blocking
// connection to the window would.
Outcome runTask(GlimmerTask& task, const PasswordAnswer& password = {}, bool confirm = true) {
    Outcome out;
    QObject::connect(&task, &GlimmerTask::onStarted, [&] { out.started = true; });
    QObject::connect(&task, &GlimmerTask::onFinished, [&] { out.finished = true; });
    QObject::connect(&task, &GlimmerTask::castServerName,
                     [&](const QString& name) { out.serverNames << name; });
    QObject::connect(&task, &GlimmerTask::errMsg, [&](const QString& text) { out.errors << text; });
    QObject::connect(&task, &GlimmerTask::waitForUserConfirmCast, [&](const QString& name) {
        out.confirmNames << name;
        task.setConfirmCastResult(confirm);
    });
    QObject::connect(&task, &GlimmerTask::waitForUserInputPassword,
                     [&](const QString& offered, const QString& title, const QString& content) {
                         out.offeredPasswords << offered;
                         out.passwordTitles << title;
                         out.passwordContents << content;
                         task.setPassword(password ? password(out.passwordContents.size())
                                                   : QString());
                     });
    QElapsedTimer clock;
    clock.start();
    QThreadPool pool;
    pool.start(&task);
    while (!pool.waitForDone(10))
        QCoreApplication::processEvents();
    out.elapsedMs = clock.elapsed();
    QCoreApplication::processEvents();
    return out;
}

QByteArray wire(const QString& text) {
    return text.toUtf8();
}

} // namespace

class TestGlimmerTask : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void proofAndCommandLine();
    void castsWithoutQuestions();
    void castReplyWithoutIp();
    void wrongSavedPasswordAsksOnce();
    void cancelledPasswordEndsTheCast();
    void legacyDeviceCastsWithoutPasswd();
    void confirmation();
    void silentDeviceTimesOut();
    void bytesOnTheWire();
    void refusalWithoutPasswordIsNotRetried();
    void unsafeAddressIsRefused();
    void missingProgramIsReported();
    void repliesFromOtherHostsAreIgnored();

private:
    // A task for `device` that starts the recording script.
    GlimmerTask* newTask(const QString& address, int port, const QString& name = "Sim");
    QStringList recordedArguments() const;

    ScopedWorkDir* dir_ = nullptr;
    SimProcess* plain_ = nullptr;
    SimProcess* noIp_ = nullptr;
    SimProcess* locked_ = nullptr;
    SimProcess* legacy_ = nullptr;
    QString recorder_;
    QString argumentsFile_;
    std::unique_ptr<GlimmerTask> task_;
};

void TestGlimmerTask::initTestCase() {
    dir_ = new ScopedWorkDir;
    QVERIFY(Config::instance()->setValue(Config::ClientName, "PC \"7\""));
    plain_ = new SimProcess("127.0.5.1", {"--name", "Sim 1"});
    noIp_ = new SimProcess("127.0.5.2", {"--cast-no-ip"});
    locked_ = new SimProcess("127.0.5.3", {"--name", "Sim 3", "--cast-password", "1234"});
    legacy_ = new SimProcess("127.0.5.4", {"--cast-legacy"});
    for (SimProcess* sim : {plain_, noIp_, locked_, legacy_})
        QVERIFY(sim->isReady());

    // Stands in for the mirroring program: writes its arguments, one a line.
    argumentsFile_ = dir_->filePath("arguments.txt");
    recorder_ = dir_->filePath("record-arguments");
    QFile script(recorder_);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments.txt\"\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

void TestGlimmerTask::cleanupTestCase() {
    task_.reset();
    delete plain_;
    delete noIp_;
    delete locked_;
    delete legacy_;
    delete dir_;
}

void TestGlimmerTask::init() {
    QFile::remove(argumentsFile_);
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, false));
}

GlimmerTask* TestGlimmerTask::newTask(const QString& address, int port, const QString& name) {
    task_ = std::make_unique<GlimmerTask>(QHostAddress(address), port, name,
                                          Config::instance()->value(Config::ClientName).toString(),
                                          1920, 1080);
    task_->setProgram(recorder_);
    return task_.get();
}

QStringList TestGlimmerTask::recordedArguments() const {
    QFile file(argumentsFile_);
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TestGlimmerTask::proofAndCommandLine() {
    // Worked out by hand: md5(md5("1234") hex + "a1b2c3") hex.
    QCOMPARE(GlimmerTask::proof("1234", "a1b2c3"), QString("401cd25b2029447d3a2fe9b408bc47d0"));
    QCOMPARE(GlimmerTask::proof("会议室", "挑战"), QString("ee906dfbf5fa3013ff79ee3ba11140d9"));
    QCOMPARE(GlimmerTask::launchParameters("10.0.0.5"), QString("-s 1 -i 10.0.0.5 -cs cast "));
    QCOMPARE(GlimmerTask::launchParameters(QString()), QString("-s 1 -cs cast "));
    QVERIFY(GlimmerTask::isSafeAddressText("192.168.1.20"));
    QVERIFY(GlimmerTask::isSafeAddressText("fe80::1%eth0"));
    QVERIFY(!GlimmerTask::isSafeAddressText("1.2.3.4 -cs other"));
    QVERIFY(!GlimmerTask::isSafeAddressText("\"1.2.3.4\""));
}

void TestGlimmerTask::castsWithoutQuestions() {
    const Outcome out = runTask(*newTask("127.0.5.1", 5000));
    QVERIFY(out.started);
    QVERIFY(out.finished);
    QCOMPARE(out.errors, QStringList());
    QVERIFY(out.passwordContents.isEmpty());
    QVERIFY(out.confirmNames.isEmpty());
    QCOMPARE(out.serverNames, QStringList{"cast"});
    QCOMPARE(plain_->count("cast-request get_auth"), 1);
    QCOMPARE(plain_->count("cast-request cast"), 1);
    QCOMPARE(plain_->count("cast-request"), 2);
    QCOMPARE(plain_->count("cast-accepted 1920x1080 port=7236 fingo_port=6000 passwd=no "
                           "ip=127.0.5.1"),
             1);
    QCOMPARE(recordedArguments(), (QStringList{"-s", "1", "-i", "127.0.5.1", "-cs", "cast"}));
}

void TestGlimmerTask::castReplyWithoutIp() {
    const Outcome out = runTask(*newTask("127.0.5.2", 5000));
    QVERIFY(out.finished);
    QCOMPARE(noIp_->count("cast-accepted"), 1);
    QCOMPARE(recordedArguments(), (QStringList{"-s", "1", "-cs", "cast"}));
}

void TestGlimmerTask::wrongSavedPasswordAsksOnce() {
    const QString uuid = "sim-127-0-5-3";
    QVERIFY(Config::instance()->setCastPassword(uuid, "9999"));
    const Outcome out =
        runTask(*newTask("127.0.5.3", 5000, "Sim 3"), [](int) { return QString("1234"); });
    QVERIFY(out.finished);
    QCOMPARE(out.errors, QStringList());
    // The saved password was tried without asking; the device refused it;
    // then the user was asked once, with the saved one offered.
    QCOMPARE(out.passwordContents, QStringList{"请输入\"Sim 3\"的投射密码\n密码错误, 请重新输入"});
    QCOMPARE(out.offeredPasswords, QStringList{"9999"});
    QCOMPARE(out.passwordTitles, QStringList{"Glimmer"});
    QCOMPARE(Config::instance()->castPassword(uuid), QString("1234"));
    QCOMPARE(locked_->count("cast-refused cast -1002 wrong password"), 1);
    QCOMPARE(locked_->count("cast-accepted 1920x1080 port=7236 fingo_port=6000 passwd=yes"), 1);
    QCOMPARE(locked_->count("cast-request get_auth"), 2);

    // The right password saved: the next cast asks nothing.
    const Outcome again = runTask(*newTask("127.0.5.3", 5000, "Sim 3"));
    QVERIFY(again.finished);
    QVERIFY(again.passwordContents.isEmpty());
    QCOMPARE(locked_->count("cast-accepted"), 2);
}

void TestGlimmerTask::cancelledPasswordEndsTheCast() {
    QVERIFY(Config::instance()->setCastPassword("sim-127-0-5-3", QString()));
    const int casts = locked_->count("cast-request cast");
    LogCapture log;
    const Outcome out = runTask(*newTask("127.0.5.3", 5000, "Sim 3"));
    QCOMPARE(out.passwordContents, QStringList{"请输入\"Sim 3\"的投射密码"});
    QCOMPARE(out.offeredPasswords, QStringList{QString()});
    QVERIFY(!out.finished);
    QCOMPARE(out.errors, QStringList{QString()}); // the window shows no box for this
    QVERIFY(log.contains("[W][GlimmerTask] User not input password."));
    QCOMPARE(locked_->count("cast-request cast"), casts);
    QVERIFY(recordedArguments().isEmpty());
}

void TestGlimmerTask::legacyDeviceCastsWithoutPasswd() {
    // Confirmation on: the legacy device knows neither get_auth nor confirm,
    // and casts all the same.
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, true));
    const Outcome out = runTask(*newTask("127.0.5.4", 5000));
    QVERIFY(out.finished);
    QVERIFY(out.confirmNames.isEmpty());
    QCOMPARE(legacy_->count("cast-request confirm"), 0);
    QCOMPARE(legacy_->count("cast-refused get_auth legacy Unknow type: get_auth"), 2);
    QCOMPARE(legacy_->count("cast-accepted 1920x1080 port=7236 fingo_port=6000 passwd=no"), 1);
    bool sawCast = false;
    for (const QString& line : legacy_->lines()) {
        if (line.startsWith("cast-request cast ")) {
            sawCast = true;
            QVERIFY2(!line.contains("passwd"), qPrintable(line));
        }
    }
    QVERIFY(sawCast);
}

void TestGlimmerTask::confirmation() {
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, true));

    // Declined: the device is told, and no cast request follows.
    const Outcome declined = runTask(*newTask("127.0.5.1", 5000, "Sim 1"), {}, false);
    QCOMPARE(declined.confirmNames, QStringList{"Sim 1"});
    QCOMPARE(plain_->count("cast-confirm PC \"7\""), 1);
    QCOMPARE(plain_->count("cast-request cancel_confirm"), 1);
    QCOMPARE(plain_->count("cast-cancel-confirm"), 1);
    const int casts = plain_->count("cast-request cast");
    QCOMPARE(declined.errors, QStringList{QString()});
    QVERIFY(!declined.finished);
    QVERIFY(recordedArguments().isEmpty());

    // Accepted: the cast follows the confirmation.
    const Outcome accepted = runTask(*newTask("127.0.5.1", 5000, "Sim 1"), {}, true);
    QVERIFY(accepted.finished);
    QCOMPARE(plain_->count("cast-confirm PC \"7\""), 2);
    QCOMPARE(plain_->count("cast-request cast"), casts + 1);
    QCOMPARE(plain_->count("cast-request cancel_confirm"), 1);
}

void TestGlimmerTask::silentDeviceTimesOut() {
    FakeDevice silent("127.0.5.5", [](const QByteArray&) { return QByteArray(); });
    const Outcome out = runTask(*newTask("127.0.5.5", silent.port()));
    QCOMPARE(out.errors, QStringList{"socket wait for read timeout."});
    QVERIFY2(out.elapsedMs >= GlimmerTask::ReplyTimeoutMs,
             qPrintable(QString::number(out.elapsedMs)));
    QCOMPARE(silent.received.size(), 1); // no second try
    QVERIFY(!out.finished);
}

void TestGlimmerTask::bytesOnTheWire() {
    const QString uuid = ClientIdentity::uuid();
    auto device = [](const QByteArray& request) {
        if (request.contains("\"get_auth\""))
            return QByteArray(R"({"result":"ok","uuid":"dev-6","need_passwd":true,)"
                              R"("random_data":"a1b2c3"})");
        if (request.contains("\"cast\""))
            return QByteArray(R"({"result":"ok","uuid":"dev-6","ip":"127.0.5.6"})");
        return QByteArray(R"({"result":"ok","uuid":"dev-6"})");
    };
    QVERIFY(Config::instance()->setCastPassword("dev-6", "1234"));
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, true));
    const QByteArray getAuth = wire(QString(R"({ "type" : "get_auth", "uuid" : "%1" })").arg(uuid));
    const QString proof = "401cd25b2029447d3a2fe9b408bc47d0";

    FakeDevice accepting("127.0.5.6", device);
    const Outcome out = runTask(*newTask("127.0.5.6", accepting.port()), {}, true);
    QVERIFY(out.finished);
    QCOMPARE(accepting.received.size(), 4);
    QCOMPARE(accepting.received.at(0), getAuth);
    QCOMPARE(accepting.received.at(1),
             wire(QString(R"({ "name" : "PC \"7\"", "passwd" : "%1", "type" : "confirm", )"
                          R"("uuid" : "%2" })")
                      .arg(proof, uuid)));
    QCOMPARE(accepting.received.at(2), getAuth);
    QCOMPARE(accepting.received.at(3),
             wire(QString(R"({ "fingo_port" : 6000, "passwd" : "%1", "port" : 7236, )"
                          R"("source_height" : 1080, "source_width" : 1920, "type" : "cast", )"
                          R"("uuid" : "%2" })")
                      .arg(proof, uuid)));

    FakeDevice declining("127.0.5.6", device);
    const Outcome no = runTask(*newTask("127.0.5.6", declining.port()), {}, false);
    QCOMPARE(no.errors, QStringList{QString()});
    QCOMPARE(declining.received.size(), 4);
    QCOMPARE(declining.received.at(3),
             wire(QString(R"({ "passwd" : "%1", "type" : "cancel_confirm", "uuid" : "%2" })")
                      .arg(proof, uuid)));
}

void TestGlimmerTask::refusalWithoutPasswordIsNotRetried() {
    // The device wants no password yet refuses the cast as if the password
    // were wrong: asking nobody and trying again would never end.
    FakeDevice device("127.0.5.6", [](const QByteArray& request) {
        if (request.contains("\"get_auth\""))
            return QByteArray(R"({"result":"ok","need_passwd":false})");
        return QByteArray(R"({"result":"fail","error_code":-1002,"reason":"no"})");
    });
    const Outcome out = runTask(*newTask("127.0.5.6", device.port()));
    QCOMPARE(out.errors, QStringList{"密码错误!"});
    QCOMPARE(device.received.size(), 2);
    QVERIFY(out.passwordContents.isEmpty());

    // Other refusals carry the device's reason; a missing code counts as -1000.
    FakeDevice busy("127.0.5.6", [](const QByteArray& request) {
        if (request.contains("\"get_auth\""))
            return QByteArray(R"({"result":"ok"})");
        return QByteArray(R"({"result":"fail","reason":"busy"})");
    });
    GlimmerTask* task = newTask("127.0.5.6", busy.port());
    const Outcome refused = runTask(*task);
    QCOMPARE(refused.errors, QStringList{"服务器回复错误: busy"});
    QCOMPARE(task->errorCode(), GlimmerTask::UnknownErrorCode);
}

void TestGlimmerTask::unsafeAddressIsRefused() {
    FakeDevice device("127.0.5.6", [](const QByteArray& request) {
        if (request.contains("\"get_auth\""))
            return QByteArray(R"({"result":"ok"})");
        return QByteArray(R"({"result":"ok","ip":"1.2.3.4 -cs other"})");
    });
    const Outcome out = runTask(*newTask("127.0.5.6", device.port()));
    QCOMPARE(out.errors, QStringList{"Invalid ip in cast reply."});
    QVERIFY(recordedArguments().isEmpty());
}

void TestGlimmerTask::missingProgramIsReported() {
    GlimmerTask* task = newTask("127.0.5.1", 5000);
    task->setProgram(dir_->filePath("no-such-mirroring-program"));
    const Outcome out = runTask(*task);
    QCOMPARE(out.errors.size(), 1);
    QVERIFY2(out.errors.first().startsWith("无法启动镜像程序"), qPrintable(out.errors.first()));
    QVERIFY(out.serverNames.isEmpty());
    QVERIFY(!out.finished);
}

void TestGlimmerTask::repliesFromOtherHostsAreIgnored() {
    // Every answer comes from another address than the one asked: none of
    // them is taken for the device's.
    FakeDevice spoofed(
        "127.0.5.7", [](const QByteArray&) { return QByteArray(R"({"result":"ok"})"); },
        "127.0.5.8");
    const Outcome out = runTask(*newTask("127.0.5.7", spoofed.port()));
    QCOMPARE(out.errors, QStringList{"socket wait for read timeout."});
    QCOMPARE(spoofed.received.size(), 1);
}

QTEST_GUILESS_MAIN(TestGlimmerTask)
#include "tst_glimmertask.moc"
