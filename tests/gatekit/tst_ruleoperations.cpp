#include "InstrumentedRuleStore.h"
#include "gatekit/RuleOperations.h"
#include "gatekit/recorded/RecordedRuleStore.h"
#include "gatekit/recorded/RuleFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace gatekit;

namespace {

using Journal = InstrumentedRuleStore::Journal;

const RuleSettings kTavlo{L"Tavlo - out", L"允许Tavlo通过防火墙出站", L"ALL", kAnyProtocol,
                          L"/opt/tavlo/tavlo-client"};

RuleSettings inbound() {
    RuleSettings settings = kTavlo;
    settings.name = L"Tavlo - in";
    settings.description = L"允许Tavlo通过防火墙入站";
    return settings;
}

// Everything a successful setRule asks of the store, in order.
Journal fullJournal(long direction, const RuleSettings& s) {
    const auto utf8 = [](const std::wstring& w) {
        return QString::fromStdWString(w).toStdString();
    };
    return {"beginSession",
            "openPolicy",
            "openRules",
            "currentProfileTypes",
            "createRule",
            "setName=" + utf8(s.name),
            "setDescription=" + utf8(s.description),
            "setProtocol=256",
            "setLocalPorts=ALL",
            "setGrouping=" + utf8(s.name),
            "setInterfaceTypes=ALL",
            "setProfiles=2147483647",
            "setAction=1",
            "setApplicationName=" + utf8(s.applicationPath),
            "setDirection=" + std::to_string(direction),
            "setEnabled=true",
            "remove=" + utf8(s.name),
            "add",
            "release rule",
            "release rules",
            "release policy",
            "endSession"};
}

QStringList lines(const Journal& journal) {
    QStringList list;
    for (const std::string& entry : journal)
        list << QString::fromStdString(entry);
    return list;
}

// One recorded rule file in a scratch folder, reached through an instrumented store.
class Bench {
public:
    Bench()
        : path_(dir_.filePath(QStringLiteral("state/rules")).toStdString()) {}

    FaultPlan& plan() { return *plan_; }
    const Journal& journal() const { return *journal_; }
    const std::string& messages() const { return messages_; }

    void setRule(long direction, const RuleSettings& settings) {
        operations().setRule(direction, settings);
    }
    void removeRule(const std::wstring& name) { operations().removeRule(name); }
    // Starts the next operation with a fresh journal, messages and fault plan.
    void reset() {
        journal_->clear();
        messages_.clear();
        *plan_ = FaultPlan();
    }

    std::vector<RuleRecord> rules() {
        RuleFile file(path_);
        std::vector<RuleRecord> records;
        if (!succeeded(file.lock()) || !succeeded(file.read(records)))
            qFatal("cannot read %s", path_.c_str());
        return records;
    }

private:
    RuleOperations operations() {
        store_ = std::make_unique<InstrumentedRuleStore>(std::make_unique<RecordedRuleStore>(path_),
                                                         plan_, journal_);
        return RuleOperations(*store_, [this](const std::string& m) { messages_ += m; });
    }

    QTemporaryDir dir_;
    std::string path_;
    std::shared_ptr<FaultPlan> plan_ = std::make_shared<FaultPlan>();
    std::shared_ptr<Journal> journal_ = std::make_shared<Journal>();
    std::unique_ptr<InstrumentedRuleStore> store_;
    std::string messages_;
};

RuleRecord expectedRecord(long direction, const RuleSettings& s) {
    RuleRecord r;
    r.name = s.name;
    r.description = s.description;
    r.protocol = 256;
    r.localPorts = L"ALL";
    r.grouping = s.name;
    r.interfaceTypes = L"ALL";
    r.profiles = 0x7FFFFFFF;
    r.action = 1;
    r.applicationName = s.applicationPath;
    r.direction = direction;
    r.enabled = true;
    return r;
}

} // namespace

class TestRuleOperations : public QObject {
    Q_OBJECT
private slots:
    void rulesAreBuiltInOrderAndReported_data();
    void rulesAreBuiltInOrderAndReported();
    void failureEndsTheOperationAndReleasesAll_data();
    void failureEndsTheOperationAndReleasesAll();
    void refusedPropertiesDoNotStopTheRule();
    void sessionEndsOnlyWhereItBegan_data();
    void sessionEndsOnlyWhereItBegan();
    void removeRuleReportsItsOutcome_data();
    void removeRuleReportsItsOutcome();
};

void TestRuleOperations::rulesAreBuiltInOrderAndReported_data() {
    QTest::addColumn<long>("direction");
    QTest::addColumn<QString>("message");
    QTest::newRow("outbound") << kDirectionOut << "setOutRule Success!\n";
    QTest::newRow("inbound") << kDirectionIn << "setInRule success!\n";
}

void TestRuleOperations::rulesAreBuiltInOrderAndReported() {
    QFETCH(long, direction);
    QFETCH(QString, message);
    const RuleSettings settings = direction == kDirectionOut ? kTavlo : inbound();
    Bench bench;
    bench.setRule(direction, settings);
    QCOMPARE(QString::fromStdString(bench.messages()), message);
    QCOMPARE(lines(bench.journal()), lines(fullJournal(direction, settings)));
    const auto rules = bench.rules();
    QCOMPARE(rules.size(), std::size_t(1));
    QVERIFY(rules[0] == expectedRecord(direction, settings));
}

void TestRuleOperations::failureEndsTheOperationAndReleasesAll_data() {
    QTest::addColumn<long>("direction");
    QTest::addColumn<QString>("step");
    QTest::addColumn<quint32>("result");
    QTest::addColumn<QString>("message");
    // What follows the failing step in the journal: the releases, last to first.
    QTest::addColumn<QStringList>("tail");
    // Whether the rule set before is still there afterwards.
    QTest::addColumn<bool>("oldRuleKept");

    const QStringList all{"release policy", "endSession"};
    for (const long direction : {kDirectionOut, kDirectionIn}) {
        const bool out = direction == kDirectionOut;
        const QByteArray tag = out ? "out " : "in ";
        QTest::newRow((tag + "session").constData())
            << direction << "beginSession" << 0x80004005u << "CoInitializeEx failed: 0x80004005\n"
            << QStringList() << true;
        QTest::newRow((tag + "policy").constData())
            << direction << "openPolicy" << 0x80040154u
            << "CoCreateInstance for INetFwPolicy2 failed: 0x80040154\n"
            << QStringList{"endSession"} << true;
        QTest::newRow((tag + "rules").constData())
            << direction << "openRules" << 0x8007000Du << "get_Rules failed: 0x8007000d\n"
            << all << true;
        QTest::newRow((tag + "profiles").constData())
            << direction << "currentProfileTypes" << 0x80004001u
            << "get_CurrentProfileTypes failed: 0x80004001\n"
            << (QStringList{"release rules"} + all) << true;
        QTest::newRow((tag + "create").constData())
            << direction << "createRule" << 0x80004005u
            << (out ? "CoCreateInstance for Firewall Rule failed: 0x80004005\n"
                    : "CoCreateInstance for Firewall InRule failed: 0x80004005\n")
            << (QStringList{"release rules"} + all) << true;
        QTest::newRow((tag + "remove").constData())
            << direction << "remove" << 0x80070005u << "Remove Rule failed: 0x80070005\n"
            << (QStringList{"release rule", "release rules"} + all) << true;
        QTest::newRow((tag + "add").constData())
            << direction << "add" << 0x80070070u
            << (out ? "Firewall OutRule Add failed: 0x80070070\n"
                    : "set Firewall InRule Add failed: 0x80070070\n")
            << (QStringList{"release rule", "release rules"} + all) << false;
    }
}

void TestRuleOperations::failureEndsTheOperationAndReleasesAll() {
    QFETCH(long, direction);
    QFETCH(QString, step);
    QFETCH(quint32, result);
    QFETCH(QString, message);
    QFETCH(QStringList, tail);
    QFETCH(bool, oldRuleKept);
    const RuleSettings settings = direction == kDirectionOut ? kTavlo : inbound();
    Bench bench;
    bench.setRule(direction, settings);
    RuleSettings changed = settings;
    changed.applicationPath = L"/opt/other/program";
    bench.reset();
    bench.plan().fail(step.toStdString(), static_cast<Result>(result));

    bench.setRule(direction, changed);
    QCOMPARE(QString::fromStdString(bench.messages()), message);
    // The journal runs up to the failing step, then only releases follow.
    QStringList expected;
    for (const QString& entry : lines(fullJournal(direction, changed))) {
        expected << entry;
        if (entry.section(QLatin1Char('='), 0, 0) == step)
            break;
    }
    QCOMPARE(lines(bench.journal()), expected + tail);
    const auto rules = bench.rules();
    QCOMPARE(rules.size(), std::size_t(oldRuleKept ? 1 : 0));
    if (oldRuleKept)
        QVERIFY(rules[0] == expectedRecord(direction, settings));
}

void TestRuleOperations::refusedPropertiesDoNotStopTheRule() {
    Bench bench;
    bench.plan().fail("setDescription", kAccessDenied);
    bench.plan().fail("setLocalPorts", kInvalidArgument);
    bench.setRule(kDirectionOut, kTavlo);
    QCOMPARE(bench.messages(), std::string("setOutRule Success!\n"));
    QCOMPARE(lines(bench.journal()), lines(fullJournal(kDirectionOut, kTavlo)));
    RuleRecord expected = expectedRecord(kDirectionOut, kTavlo);
    expected.description.clear();
    expected.localPorts.clear();
    QVERIFY(bench.rules().at(0) == expected);
}

void TestRuleOperations::sessionEndsOnlyWhereItBegan_data() {
    QTest::addColumn<quint32>("sessionResult");
    QTest::addColumn<bool>("ended");
    QTest::newRow("already open in this mode") << 1u << true;
    QTest::newRow("open in the other mode") << 0x80010106u << false;
}

void TestRuleOperations::sessionEndsOnlyWhereItBegan() {
    QFETCH(quint32, sessionResult);
    QFETCH(bool, ended);
    Bench bench;
    bench.plan().fail("beginSession", static_cast<Result>(sessionResult));
    bench.setRule(kDirectionIn, inbound());
    QCOMPARE(bench.messages(), std::string("setInRule success!\n"));
    QCOMPARE(bench.journal().back(), std::string(ended ? "endSession" : "release policy"));

    bench.reset();
    bench.plan().fail("beginSession", static_cast<Result>(sessionResult));
    bench.removeRule(L"Tavlo - in");
    QCOMPARE(bench.messages(), std::string("removeRule Success!\n"));
    QCOMPARE(bench.journal().back(), std::string(ended ? "endSession" : "release policy"));
}

void TestRuleOperations::removeRuleReportsItsOutcome_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<int>("rulesLeft");
    const QStringList opened{"beginSession", "openPolicy", "openRules"};
    const QStringList removed =
        opened + QStringList{"remove=Tavlo - in", "release rules", "release policy", "endSession"};
    QTest::newRow("removed") << ""
                             << "removeRule Success!\n"
                             << removed << 1;
    QTest::newRow("session") << "beginSession"
                             << "CoInitializeEx failed: 0x80004005\n"
                             << QStringList{"beginSession"} << 2;
    QTest::newRow("policy") << "openPolicy"
                            << "CoCreateInstance for INetFwPolicy2 failed: 0x80004005\n"
                            << QStringList{"beginSession", "openPolicy", "endSession"} << 2;
    QTest::newRow("rules") << "openRules"
                           << "get_Rules failed: 0x80004005\n"
                           << opened + QStringList{"release policy", "endSession"} << 2;
    QTest::newRow("remove") << "remove"
                            << "Remove Rule failed: 0x80004005\n"
                            << removed << 2;
}

void TestRuleOperations::removeRuleReportsItsOutcome() {
    QFETCH(QString, step);
    QFETCH(QString, message);
    QFETCH(QStringList, journal);
    QFETCH(int, rulesLeft);
    Bench bench;
    bench.setRule(kDirectionOut, kTavlo);
    bench.setRule(kDirectionIn, inbound());
    bench.reset();
    if (!step.isEmpty())
        bench.plan().fail(step.toStdString());
    bench.removeRule(L"Tavlo - in");
    QCOMPARE(QString::fromStdString(bench.messages()), message);
    QCOMPARE(lines(bench.journal()), journal);
    const auto rules = bench.rules();
    QCOMPARE(int(rules.size()), rulesLeft);
    QVERIFY(rules[0] == expectedRecord(kDirectionOut, kTavlo));
}

QTEST_GUILESS_MAIN(TestRuleOperations)
#include "tst_ruleoperations.moc"
