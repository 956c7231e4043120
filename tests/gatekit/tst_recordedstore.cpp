#include "gatekit/WideText.h"
#include "gatekit/recorded/RecordedRule.h"
#include "gatekit/recorded/RecordedRuleStore.h"
#include "gatekit/recorded/RuleFile.h"
#include "gatekit/recorded/RuleFileFormat.h"
#include "gatekit/recorded/RuleFileLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace gatekit;

namespace {

RuleRecord sampleRule(const std::wstring& name, long direction) {
    RuleRecord r;
    r.name = name;
    r.description = L"允许" + name + L"通过防火墙出站";
    r.protocol = 256;
    r.localPorts = L"ALL";
    r.grouping = name;
    r.interfaceTypes = L"ALL";
    r.profiles = 0x7FFFFFFF;
    r.action = 1;
    r.applicationName = L"/opt/tavlo/tavlo-client";
    r.direction = direction;
    r.enabled = true;
    return r;
}

std::unique_ptr<RuleCollection> openRules(RuleStore& store, Result& result) {
    std::unique_ptr<FirewallPolicy> policy;
    std::unique_ptr<RuleCollection> rules;
    result = store.openPolicy(policy);
    if (succeeded(result))
        result = policy->openRules(rules);
    return rules;
}

std::unique_ptr<FirewallRule> preparedRule(RuleStore& store, const RuleRecord& record) {
    std::unique_ptr<FirewallRule> rule;
    store.createRule(rule);
    rule->setName(record.name);
    rule->setDescription(record.description);
    rule->setProtocol(record.protocol);
    rule->setLocalPorts(record.localPorts);
    rule->setGrouping(record.grouping);
    rule->setInterfaceTypes(record.interfaceTypes);
    rule->setProfiles(record.profiles);
    rule->setAction(record.action);
    rule->setApplicationName(record.applicationName);
    rule->setDirection(record.direction);
    rule->setEnabled(record.enabled);
    return rule;
}

std::vector<RuleRecord> recordedRules(const QString& path) {
    RuleFile file(path.toStdString());
    std::vector<RuleRecord> rules;
    if (!succeeded(file.lock()) || !succeeded(file.read(rules)))
        qFatal("cannot read %s", qPrintable(path));
    return rules;
}

} // namespace

class TestRecordedStore : public QObject {
    Q_OBJECT
private slots:
    void wideTextConversions();
    void formatKeepsEveryCharacter();
    void formatRejectsCorruptText_data();
    void formatRejectsCorruptText();
    void collectionHoldsTheLockUntilReleased();
    void failedWriteChangesNothing();
    void locationFollowsTheEnvironment();
};

void TestRecordedStore::wideTextConversions() {
    // Beyond the Basic Multilingual Plane and back.
    std::wstring wide;
    QVERIFY(WideText::fromUtf8("a\xE5\x85\x81\xF0\x9F\x94\xA5", wide));
    QCOMPARE(wide, std::wstring(L"a\u5141\U0001F525"));
    QCOMPARE(WideText::toUtf8(wide), std::string("a\xE5\x85\x81\xF0\x9F\x94\xA5"));
    // Overlong, surrogate, past U+10FFFF, cut short, stray continuation byte.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\x85", "\x80"})
        QVERIFY2(!WideText::fromUtf8(bad, wide), bad);
    // Code units that are no character become U+FFFD.
    QCOMPARE(WideText::toUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))),
             std::string("\xEF\xBF\xBD"));
}

void TestRecordedStore::formatKeepsEveryCharacter() {
    RuleRecord awkward = sampleRule(L"  a=b # c\\n \\ end ", 1);
    awkward.description = L"line one\nline two\r\n\\n [rule]\n#";
    awkward.applicationName = L"C:\\Program Files\\Tavlo\\tavlo.exe";
    awkward.localPorts.clear();
    awkward.protocol = -1;
    awkward.enabled = false;
    const std::vector<RuleRecord> rules{sampleRule(L"Tavlo - out", 2), awkward,
                                        sampleRule(L"\U0001F525", 1)};
    const std::string text = RuleFileFormat::write(rules);
    QVERIFY(text.rfind("gatekit-rules 1\n", 0) == 0);
    std::vector<RuleRecord> read;
    std::string error;
    QVERIFY2(RuleFileFormat::read(text, read, error), error.c_str());
    QCOMPARE(read.size(), rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i)
        QVERIFY(read[i] == rules[i]);
    QVERIFY(RuleFileFormat::read("", read, error));
    QVERIFY(read.empty());
}

void TestRecordedStore::formatRejectsCorruptText_data() {
    const QByteArray good =
        QByteArray::fromStdString(RuleFileFormat::write({sampleRule(L"Tavlo - out", 2)}));
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("other file") << QByteArray("[Tavlo]\nports=1\n")
                                << "line 1: not a gatekit rule file";
    QTest::newRow("unknown key") << QByteArray(good).replace("action=", "actio=")
                                 << "line 13: an unknown key \"actio\"";
    QTest::newRow("key twice") << QByteArray(good).replace("action=1", "action=1\naction=1")
                               << "line 14: key \"action\" given twice";
    QTest::newRow("key missing") << QByteArray(good).replace("grouping=Tavlo - out\n", "")
                                 << "line 15: a rule without \"grouping\"";
    QTest::newRow("key missing before next rule")
        << QByteArray(good).replace("enabled=true\n", "") + "[rule]\n"
        << "line 16: a rule without \"enabled\"";
    QTest::newRow("bad number") << QByteArray(good).replace("protocol=256", "protocol=25x")
                                << "line 8: a bad value for \"protocol\"";
    QTest::newRow("bad escape") << QByteArray(good).replace("localPorts=ALL", "localPorts=\\t")
                                << "line 9: a bad value for \"localPorts\"";
    QTest::newRow("bad UTF-8") << QByteArray(good).replace("name=Tavlo", "name=\xff")
                               << "line 6: a bad value for \"name\"";
    QTest::newRow("outside a rule")
        << QByteArray("gatekit-rules 1\nname=x\n") << "line 2: a line outside any [rule] block";
    QTest::newRow("cut short") << good.left(good.indexOf("profiles="))
                               << "line 11: a rule without \"profiles\"";
}

void TestRecordedStore::formatRejectsCorruptText() {
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    std::vector<RuleRecord> rules;
    std::string fault;
    QVERIFY(!RuleFileFormat::read(text.toStdString(), rules, fault));
    QCOMPARE(QString::fromStdString(fault), error);
}

void TestRecordedStore::collectionHoldsTheLockUntilReleased() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rules"));
    RecordedRuleStore store(path.toStdString());
    Result result = kFail;
    auto rules = openRules(store, result);
    QCOMPARE(result, kOk);

    // flock locks belong to the open file, so a second open conflicts even here.
    const QByteArray lockPath = QFile::encodeName(path + ".lock");
    const int fd = open(lockPath.constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(fd >= 0);
    QCOMPARE(flock(fd, LOCK_EX | LOCK_NB), -1);
    QCOMPARE(errno, EWOULDBLOCK);
    rules.reset();
    QCOMPARE(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
}

void TestRecordedStore::failedWriteChangesNothing() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state"));
    const QString path = folder + QStringLiteral("/rules");
    RecordedRuleStore store(path.toStdString());
    {
        Result result = kFail;
        auto rules = openRules(store, result);
        QCOMPARE(rules->add(*preparedRule(store, sampleRule(L"A", 2))), kOk);
    }
    Result result = kFail;
    auto rules = openRules(store, result);
    QCOMPARE(result, kOk);
    // With the folder gone no temporary file can be made.
    QVERIFY(QDir().rename(folder, folder + ".away"));
    QCOMPARE(rules->add(*preparedRule(store, sampleRule(L"B", 2))), kFail);
    QCOMPARE(rules->remove(L"A"), kFail);
    QVERIFY(QDir().rename(folder + ".away", folder));
    // The collection still holds what the file holds.
    QCOMPARE(rules->remove(L"B"), kNotFound);
    rules.reset();
    QCOMPARE(recordedRules(path).size(), std::size_t(1));
    QVERIFY(recordedRules(path)[0] == sampleRule(L"A", 2));
}

void TestRecordedStore::locationFollowsTheEnvironment() {
    qputenv("GATEKIT_RULES_FILE", "/chosen/file");
    qputenv("XDG_STATE_HOME", "/state");
    qputenv("HOME", "/home/someone");
    QCOMPARE(RuleFileLocation::path(), std::string("/chosen/file"));
    qunsetenv("GATEKIT_RULES_FILE");
    QCOMPARE(RuleFileLocation::path(), std::string("/state/gatekit/rules"));
    // XDG base directories must be absolute; a relative one is ignored.
    qputenv("XDG_STATE_HOME", "relative/state");
    QCOMPARE(RuleFileLocation::path(), std::string("/home/someone/.local/state/gatekit/rules"));
    qunsetenv("XDG_STATE_HOME");
    QCOMPARE(RuleFileLocation::path(), std::string("/home/someone/.local/state/gatekit/rules"));
}

QTEST_GUILESS_MAIN(TestRecordedStore)
#include "tst_recordedstore.moc"
