#include "common/TestSupport.h"
#include "log/CustomMsgHandler.h"
#include "log/FileLogWriter.h"
#include "log/LogDialog.h"
#include "utils/DataLocations.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTextEdit>
#include <QtTest>

namespace {

QStringList logFiles() {
    return QDir(DataLocations::logDirectory())
        .entryList(QStringList{"TavloClient*.log"}, QDir::Files, QDir::Name);
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestLogging : public QObject {
    Q_OBJECT
private slots:
    void recordFormat();
    void rotationKeepsSixteenFiles();
    void messagesReachFileAndWindow();
    void secondHandlerIsRefused();
    void windowColours();
    void unopenableFileIsReportedOnce();
};

void TestLogging::recordFormat() {
    const QDateTime time(QDate(2026, 1, 2), QTime(3, 4, 5));
    QCOMPARE(FileLogWriter::formatRecord(time, "[W][X] one\ntwo"),
             QByteArray("2026-01-02 03:04:05 :\t[W][X] one\n\t\t\t\t\t\t\t\ttwo\r\n"));
    QCOMPARE(FileLogWriter::formatRecord(time, "ends\n"),
             QByteArray("2026-01-02 03:04:05 :\tends\n\t\t\t\t\t\t\t\t"));
    QCOMPARE(FileLogWriter::formatRecord(time, QStringLiteral("上传")),
             QStringLiteral("2026-01-02 03:04:05 :\t上传\r\n").toUtf8());
}

void TestLogging::rotationKeepsSixteenFiles() {
    ScopedWorkDir dir;
    QDir().mkpath(DataLocations::logDirectory());
    for (int i = 0; i < 20; ++i) {
        QFile old(DataLocations::logDirectory() +
                  QString("/TavloClient-%1.log").arg(1000000000000LL + i));
        QVERIFY(old.open(QIODevice::WriteOnly));
    }
    QFile unrelated(DataLocations::logDirectory() + "/other.log");
    QVERIFY(unrelated.open(QIODevice::WriteOnly));

    FileLogWriter writer("TavloClient");
    writer.start();
    QTRY_VERIFY(!writer.fileName().isEmpty());

    const QStringList files = logFiles();
    QCOMPARE(files.size(), 16);
    // The five oldest went; the newest old ones and the new file stay.
    QVERIFY(!files.contains("TavloClient-1000000000004.log"));
    QVERIFY(files.contains("TavloClient-1000000000005.log"));
    QCOMPARE(files.last(), QFileInfo(writer.fileName()).fileName());
    QVERIFY(QFile::exists(DataLocations::logDirectory() + "/other.log"));
}

void TestLogging::messagesReachFileAndWindow() {
    ScopedWorkDir dir;
    QString fileName;
    {
        LogDialog dialog;
        QCOMPARE(dialog.objectName(), QString("LogDialog"));
        QTRY_VERIFY(!dialog.handler()->writer()->fileName().isEmpty());
        fileName = dialog.handler()->writer()->fileName();

        qWarning("[W][%s] two\nlines", "Tester");
        qCritical("[E][%s] a <b> c", "Tester");
        QTRY_VERIFY(readAll(fileName).contains("a <b> c"));
        QTRY_VERIFY(dialog.textEdit()->toPlainText().contains("a <b> c"));
        QVERIFY(dialog.textEdit()->toHtml().contains("#ffa500")); // orange
    }
    const QString content = readAll(fileName);
    QVERIFY(content.contains(":\t[W][Tester] two\n\t\t\t\t\t\t\t\tlines\r\n"));
    QVERIFY(content.contains("[E][Tester] a <b> c\r\n"));
    QCOMPARE(logFiles().size(), 1);
}

void TestLogging::secondHandlerIsRefused() {
    ScopedWorkDir dir;
    CustomMsgHandler first;
    CustomMsgHandler second;
    QVERIFY(first.install());
    QVERIFY(!second.install());
    QVERIFY(!second.uninstall());
    QVERIFY(first.uninstall());
    QVERIFY(second.install());
    QVERIFY(second.uninstall());
}

void TestLogging::windowColours() {
    QCOMPARE(LogDialog::decorate("[E][A] x"), QString("<font color=red>[E][A] x</font>"));
    QCOMPARE(LogDialog::decorate("[W][A] x"), QString("<font color=orange>[W][A] x</font>"));
    QCOMPARE(LogDialog::decorate("[I][A] x"), QString("<font color=green>[I][A] x</font>"));
    QCOMPARE(LogDialog::decorate("[D][A] x"), QString("<font color=blue>[D][A] x</font>"));
    QCOMPARE(LogDialog::decorate("plain text"), QString("plain text"));
    QCOMPARE(LogDialog::decorate("E"), QString("E"));
}

void TestLogging::unopenableFileIsReportedOnce() {
    ScopedWorkDir dir;
    QFile blocker(DataLocations::logDirectory()); // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    LogDialog dialog;
    for (int i = 0; i < 5; ++i)
        qWarning("[W][%s] message %d", "Tester", i);
    QTRY_VERIFY(dialog.textEdit()->toPlainText().contains("message 4"));
    QTRY_VERIFY(dialog.textEdit()->toPlainText().contains("File is not opened."));
    // Let any report that could feed itself back come round a few times.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCOMPARE(dialog.textEdit()->toPlainText().count("File is not opened."), 1);
}

QTEST_MAIN(TestLogging)
#include "tst_logging.moc"
