// The remote file browser against the device simulator on loopback: walking
// folders, the sort words, the context menu, delete, thumbnails, downloads,
// and the texts and icons of the listing.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/TavloClientDatabase.h"
#include "ui/FileContentWidget.h"
#include "ui/FileListDialog.h"
#include "ui/FileListView.h"
#include "ui/FileTexts.h"
#include "ui/FileTreeModel.h"
#include "ui/FileTypes.h"
#include "ui/ThumbnailTableModel.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {

QStringList namesOf(const FileTreeModel* model) {
    QStringList names;
    for (const FileContent& file : model->files())
        names << file.fileName;
    return names;
}

int rowOf(const FileTreeModel* model, const QString& name) {
    return namesOf(model).indexOf(name);
}

QPoint centreOfRow(FileListView* view, int row) {
    return view->visualRect(view->model()->index(row, 0)).center();
}

QImage decorationOf(const FileTreeModel* model, int row) {
    return model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
}

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
        if (action->menu())
            if (QAction* inner = actionNamed(action->menu(), text))
                return inner;
    }
    return nullptr;
}

// A browser shown on screen (which lists the top level) for `device`.
struct Browser {
    explicit Browser(const ServerContent& device)
        : dialog(device) {
        TransferTimings quick;
        quick.replyTimeoutMs = 1000;
        dialog.setTimings(quick);
        dialog.resize(700, 500);
        dialog.show();
    }
    FileTreeModel* model() const { return dialog.model(); }
    FileListView* view() const { return dialog.view(); }
    bool open(const QString& folder) {
        const int row = rowOf(model(), folder);
        if (row < 0)
            return false;
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centreOfRow(view(), row));
        return true;
    }
    FileListDialog dialog;
};

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void walksIntoFoldersAndBack();
    void eachOrderSendsItsSortWord();
    void aNewerListingReplacesARunningOne();
    void folderRowsDisableTheFileActions();
    void deleteThenRefresh();
    void failedOrDeclinedDeletesKeepTheListing();
    void pictureRowsAskForTheirThumbnailOnce();
    void downloadsLandInTheDownloadFolder();
    void listingFailuresAreShown();
    void sizeTexts_data();
    void sizeTexts();
    void listingTexts();
    void fileTypeIcons();
    void fileTile();

private:
    ScopedWorkDir* dir_ = nullptr;
    SimProcess* sim_ = nullptr;
};

void TestFileBrowser::initTestCase() {
    MetaTypes::registerAll();
    dir_ = new ScopedWorkDir;
    sim_ = new SimProcess("127.0.4.1", {"--sample-files"});
    QVERIFY(sim_->isReady());
}

void TestFileBrowser::cleanupTestCase() {
    delete sim_;
    delete dir_;
}

void TestFileBrowser::walksIntoFoldersAndBack() {
    Browser browser(sim_->device());
    // Shown for the first time, the page lists the device's top level.
    QTRY_COMPARE(namesOf(browser.model()), (QStringList{"Pictures", "Tavlo", "Whiteboard"}));
    QCOMPARE(browser.dialog.currentPath(), QString());
    QCOMPARE(sim_->requests("file_list").last().value("file_path").toString(), QString());

    QVERIFY(browser.open("Pictures"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Pictures"));
    QCOMPARE(namesOf(browser.model()),
             (QStringList{"captions.txt", "meeting-room.png", "poster.png"}));
    QCOMPARE(browser.dialog.findChild<QLineEdit*>("FilePathEdit")->text(), QString("/Pictures"));

    // A double-click on a file asks for nothing.
    const int listings = sim_->requests("file_list").size();
    QTest::mouseDClick(browser.view()->viewport(), Qt::LeftButton, {},
                       centreOfRow(browser.view(), 0));
    QTest::qWait(200);
    QCOMPARE(sim_->requests("file_list").size(), listings);

    auto* up = browser.dialog.findChild<QPushButton*>("UperDirButton");
    QCOMPARE(up->text(), QString("上一层"));
    up->click();
    QTRY_COMPARE(namesOf(browser.model()), (QStringList{"Pictures", "Tavlo", "Whiteboard"}));
    QCOMPARE(browser.dialog.currentPath(), QString());

    // At the top, "上一层" lists the top level again.
    up->click();
    QTRY_COMPARE(sim_->requests("file_list").size(), listings + 2);
    QCOMPARE(sim_->requests("file_list").last().value("file_path").toString(), QString());
    QCOMPARE(browser.dialog.currentPath(), QString());
}

void TestFileBrowser::eachOrderSendsItsSortWord() {
    Browser browser(sim_->device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QVERIFY(browser.open("Pictures"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Pictures"));

    const QList<QPair<QString, QString>> orders{
        {"文件名(升序)", "file_name_increase"},       {"文件名(降序)", "file_name_decrease"},
        {"大小(升序)", "file_size_increase"},         {"大小(降序)", "file_size_decrease"},
        {"修改时间(升序)", "date_modified_increase"}, {"修改时间(降序)", "date_modified_decrease"}};
    QMenu* sortMenu = actionNamed(browser.view()->menu(), "排序方式")->menu();
    QStringList menuTexts;
    for (QAction* action : sortMenu->actions())
        menuTexts << action->text();
    QCOMPARE(menuTexts.size(), 6);
    for (int i = 0; i < orders.size(); ++i) {
        QCOMPARE(menuTexts.at(i), orders.at(i).first);
        const int before = sim_->requests("file_list").size();
        sortMenu->actions().at(i)->trigger();
        QTRY_COMPARE(sim_->requests("file_list").size(), before + 1);
        const QVariantMap request = sim_->requests("file_list").last();
        QCOMPARE(request.value("sort").toString(), orders.at(i).second);
        QCOMPARE(request.value("file_path").toString(), QString("/Pictures"));
        QTRY_COMPARE(browser.dialog.fileOrder(), orders.at(i).second);
    }
    // The device sorts; the view keeps its order: newest first here.
    QTRY_COMPARE(namesOf(browser.model()),
                 (QStringList{"captions.txt", "poster.png", "meeting-room.png"}));

    // "刷新" lists the same folder again in the current order.
    const int before = sim_->requests("file_list").size();
    actionNamed(browser.view()->menu(), "刷新")->trigger();
    QTRY_COMPARE(sim_->requests("file_list").size(), before + 1);
    QCOMPARE(sim_->requests("file_list").last().value("sort").toString(),
             QString("date_modified_decrease"));
    QCOMPARE(sim_->requests("file_list").last().value("file_path").toString(),
             QString("/Pictures"));
}

void TestFileBrowser::aNewerListingReplacesARunningOne() {
    Browser browser(sim_->device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QSignalSpy resets(browser.model(), &QAbstractItemModel::modelReset);
    // Two folders chosen one after the other: the first listing's result
    // arrives first (one request after another) and is dropped.
    QVERIFY(browser.open("Pictures"));
    QVERIFY(browser.open("Whiteboard"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Whiteboard"));
    QCOMPARE(namesOf(browser.model()),
             (QStringList{"notes-monday.txt", "notes-tuesday.txt", "sketch.txt"}));
    QCOMPARE(resets.count(), 1);
}

void TestFileBrowser::folderRowsDisableTheFileActions() {
    Browser browser(sim_->device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QStringList texts;
    for (QAction* action : browser.view()->menu()->actions())
        texts << action->text();
    QCOMPARE(texts, (QStringList{"刷新", "下载", "在Tavlo上打开", "删除", "排序方式"}));
    QCOMPARE(browser.view()->deleteAction()->shortcut(), QKeySequence(QKeySequence::Delete));

    QTest::mousePress(browser.view()->viewport(), Qt::RightButton, {},
                      centreOfRow(browser.view(), 0));
    QVERIFY(browser.view()->menu()->isVisible());
    QCOMPARE(browser.view()->currentIndex().row(), 0);
    QVERIFY(!browser.view()->downloadAction()->isEnabled());
    QVERIFY(!browser.view()->openAction()->isEnabled());
    QVERIFY(!browser.view()->deleteAction()->isEnabled());
    browser.view()->menu()->hide();

    QVERIFY(browser.open("Tavlo"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Tavlo"));
    QTest::mousePress(browser.view()->viewport(), Qt::RightButton, {},
                      centreOfRow(browser.view(), 0));
    QVERIFY(browser.view()->downloadAction()->isEnabled());
    QVERIFY(browser.view()->openAction()->isEnabled());
    QVERIFY(browser.view()->deleteAction()->isEnabled());
    browser.view()->menu()->hide();

    // "在Tavlo上打开" opens the file on the device's screen.
    browser.view()->openAction()->trigger();
    QVERIFY(sim_->waitForLine("opened /Tavlo/agenda.txt"));
}

void TestFileBrowser::deleteThenRefresh() {
    SimProcess sim("127.0.4.2", {"--sample-files"});
    QVERIFY(sim.isReady());
    Browser browser(sim.device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QVERIFY(browser.open("Whiteboard"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Whiteboard"));
    browser.view()->setCurrentIndex(
        browser.model()->index(rowOf(browser.model(), "sketch.txt"), 0));

    QuestionAnswerer yes(QMessageBox::Yes);
    const int listings = sim.requests("file_list").size();
    browser.view()->deleteAction()->trigger();
    QVERIFY(sim.waitForLine("deleted /Whiteboard/sketch.txt"));
    QCOMPARE(yes.texts().size(), 1);
    QVERIFY(yes.texts().first().contains("sketch.txt"));
    QTRY_COMPARE(namesOf(browser.model()), (QStringList{"notes-monday.txt", "notes-tuesday.txt"}));
    QCOMPARE(sim.requests("file_list").size(), listings + 1);
    QVERIFY(!QFile::exists(sim.storePath("normal/Whiteboard/sketch.txt")));
}

void TestFileBrowser::failedOrDeclinedDeletesKeepTheListing() {
    SimProcess sim("127.0.4.3", {"--sample-files", "--fail", "file_delete:locked"});
    QVERIFY(sim.isReady());
    Browser browser(sim.device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QVERIFY(browser.open("Tavlo"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Tavlo"));
    browser.view()->setCurrentIndex(browser.model()->index(0, 0));
    const QStringList shown = namesOf(browser.model());
    const int listings = sim.requests("file_list").size();
    {
        // Declined: nothing is sent.
        QuestionAnswerer no(QMessageBox::No);
        browser.view()->deleteAction()->trigger();
        QCOMPARE(no.texts().size(), 1);
    }
    {
        QuestionAnswerer yes(QMessageBox::Yes);
        browser.view()->deleteAction()->trigger();
        QTRY_COMPARE(sim.requests("file_delete").size(), 1);
    }
    // The device refused: the listing is not asked for again. A listing
    // asked for now is the next one the device sees.
    actionNamed(browser.view()->menu(), "刷新")->trigger();
    QTRY_COMPARE(sim.requests("file_list").size(), listings + 1);
    QTest::qWait(300);
    QCOMPARE(sim.requests("file_list").size(), listings + 1);
    QCOMPARE(namesOf(browser.model()), shown);
    QVERIFY(shown.contains("agenda.txt"));
}

void TestFileBrowser::pictureRowsAskForTheirThumbnailOnce() {
    SimProcess sim("127.0.4.4", {"--sample-files"});
    QVERIFY(sim.isReady());
    Browser browser(sim.device());
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QSignalSpy asked(browser.model(), &FileTreeModel::startGetThumb);
    QVERIFY(browser.open("Pictures"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Pictures"));

    const int poster = rowOf(browser.model(), "poster.png");
    const QImage picIcon =
        ThumbnailTableModel::cellPixmap(":/drawable/icon_file_pic.png").toImage();
    QTRY_VERIFY(browser.model()->files().at(poster).thumbLoaded);
    QTRY_VERIFY(
        browser.model()->files().at(rowOf(browser.model(), "meeting-room.png")).thumbLoaded);
    // The row shows the device's picture, scaled to the cell.
    const QImage shown = decorationOf(browser.model(), poster);
    QCOMPARE(shown.size(), QSize(48, 48));
    QVERIFY(shown != picIcon);
    // The text file keeps its icon and asks for nothing.
    const int captions = rowOf(browser.model(), "captions.txt");
    QCOMPARE(decorationOf(browser.model(), captions),
             ThumbnailTableModel::cellPixmap(":/drawable/icon_file_text.png").toImage());

    // However often the rows are drawn, each picture asked once.
    for (int i = 0; i < 5; ++i) {
        browser.view()->viewport()->repaint();
        decorationOf(browser.model(), poster);
    }
    QCOMPARE(asked.count(), 2);
    QCOMPARE(sim.requests("get_thumb").size(), 2);
    QCOMPARE(sim.requests("get_thumb").first().value("file_path").toString().left(10),
             QString("/Pictures/"));

    // Listed again, the rows ask again and are answered from the cache.
    actionNamed(browser.view()->menu(), "刷新")->trigger();
    QTRY_COMPARE(asked.count(), 4);
    QTRY_VERIFY(browser.model()->files().at(poster).thumbLoaded);
    QVERIFY(decorationOf(browser.model(), poster) != picIcon);
    QCOMPARE(sim.requests("get_thumb").size(), 2);
}

void TestFileBrowser::downloadsLandInTheDownloadFolder() {
    SimProcess sim("127.0.4.5", {"--sample-files"});
    QVERIFY(sim.isReady());
    const QString folder = dir_->filePath("downloads/new"); // not there yet
    QVERIFY(Config::instance()->setValue(Config::DownloadPath, folder));
    const ServerContent device = sim.device();
    Browser browser(device);
    QTRY_COMPARE(browser.model()->rowCount(), 3);
    QVERIFY(browser.open("Pictures"));
    QTRY_COMPARE(browser.dialog.currentPath(), QString("/Pictures"));

    QSignalSpy progress(&browser.dialog, &FileListDialog::updateDownloadProgress);
    QSignalSpy history(&browser.dialog, &FileListDialog::updateRecentFileList);
    const int poster = rowOf(browser.model(), "poster.png");
    browser.view()->setCurrentIndex(browser.model()->index(poster, 0));
    browser.view()->downloadAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() &&
                                 progress.last().first().value<ProgressContent>().percent ==
                                     ProgressContent::Confirmed,
                             20000);
    const ProgressContent last = progress.last().first().value<ProgressContent>();
    QCOMPARE(last.kind, int(ProgressContent::Download));
    QCOMPARE(last.remotePath, QString("/Pictures/poster.png"));
    QCOMPARE(last.localPath, folder + "/poster.png");
    QCOMPARE(last.dateModified, browser.model()->files().at(poster).dateModified);
    QCOMPARE(md5Of(folder + "/poster.png"), md5Of(sim.storePath("normal/Pictures/poster.png")));
    QTRY_COMPARE(history.count(), 1);
    const QList<RecentFilesContent> records =
        TavloClientDatabase::instance()->getRecentFiles(device.uuid);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().nativePath, folder + "/poster.png");
    QCOMPARE(records.first().type, QString("file_download"));

    // A name the device gives with folders in it cannot leave the folder.
    const int downloads = sim.requests("file_download").size();
    QVERIFY(QMetaObject::invokeMethod(&browser.dialog, "downloadFile",
                                      Q_ARG(QString, "../escaped.png"), Q_ARG(qlonglong, 1)));
    QVERIFY(QMetaObject::invokeMethod(&browser.dialog, "downloadFile", Q_ARG(QString, ".."),
                                      Q_ARG(qlonglong, 1)));
    QTRY_COMPARE(sim.requests("file_download").size(), downloads + 1);
    QCOMPARE(sim.requests("file_download").last().value("file_path").toString(),
             QString("/Pictures/../escaped.png"));
    QTRY_COMPARE(progress.last().first().value<ProgressContent>().localPath,
                 folder + "/escaped.png");
    QVERIFY(!QFile::exists(dir_->filePath("downloads/escaped.png")));
}

void TestFileBrowser::listingFailuresAreShown() {
    SimProcess silent("127.0.4.6", {"--silent-requests"});
    QVERIFY(silent.isReady());
    Browser browser(silent.device());
    QCOMPARE(browser.view()->placeholderText(), QString("正在读取文件列表..."));
    QTRY_COMPARE(browser.view()->placeholderText(), QString("无法读取文件列表: 设备没有应答"));
    QCOMPARE(browser.model()->rowCount(), 0);

    SimProcess refusing("127.0.4.7", {"--fail", "file_list:busy"});
    QVERIFY(refusing.isReady());
    Browser refused(refusing.device());
    QTRY_COMPARE(refused.view()->placeholderText(),
                 QString("无法读取文件列表: 设备拒绝了请求: busy"));

    // An empty folder says so.
    SimProcess empty("127.0.4.8", {"--sample-files"});
    QVERIFY(empty.isReady());
    QVERIFY(QDir().mkpath(empty.storePath("normal/Tavlo/empty")));
    Browser browsing(empty.device());
    QTRY_COMPARE(browsing.model()->rowCount(), 3);
    QVERIFY(browsing.open("Tavlo"));
    QTRY_COMPARE(browsing.dialog.currentPath(), QString("/Tavlo"));
    QVERIFY(browsing.open("empty"));
    QTRY_COMPARE(browsing.dialog.currentPath(), QString("/Tavlo/empty"));
    QCOMPARE(browsing.model()->rowCount(), 0);
    QCOMPARE(browsing.view()->placeholderText(), QString("此文件夹是空的."));
}

void TestFileBrowser::sizeTexts_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 bytes";
    QTest::newRow("negative") << qint64(-5) << "-5 bytes";
    QTest::newRow("1023") << qint64(1023) << "1023 bytes";
    QTest::newRow("1024") << qint64(1024) << "1 KB";
    QTest::newRow("rounded down") << qint64(2047) << "1 KB";
    QTest::newRow("1 MiB") << qint64(1048576) << "1.0 MB";
    QTest::newRow("1.5 MiB") << qint64(1572864) << "1.5 MB";
    QTest::newRow("1 GiB") << qint64(1073741824) << "1.00 GB";
    QTest::newRow("2.5 GiB") << qint64(2684354560) << "2.50 GB";
    QTest::newRow("1 TiB") << (qint64(1) << 40) << "1.000 TB";
}

void TestFileBrowser::sizeTexts() {
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(FileTexts::sizeText(size), text);
}

void TestFileBrowser::listingTexts() {
    FileTreeModel model;
    FileContent folder;
    folder.fileName = "Pictures";
    folder.fileType = "dir";
    folder.fileSize = 4096;
    folder.dateModified = 0;
    FileContent file;
    file.fileName = "report.PDF";
    file.fileType = "file";
    file.fileSize = 2048;
    file.dateModified = Q_INT64_C(1705309200000); // 2024-01-15 09:00 UTC
    model.setFiles({folder, file});

    QCOMPARE(model.columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column) {
        headers << model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), 0x84);
    }
    QCOMPARE(headers, (QStringList{"文件名", "大小", "修改时间", "类型"}));

    auto cell = [&model](int row, int column, int role = Qt::DisplayRole) {
        return model.index(row, column).data(role);
    };
    QCOMPARE(cell(0, 0).toString(), QString("Pictures"));
    QVERIFY(cell(0, 1).toString().isEmpty()); // folders have no size
    QCOMPARE(cell(0, 2).toString(), QString("1970-01-01 00:00:00"));
    QCOMPARE(cell(0, 3).toString(), QString("目录"));
    QCOMPARE(cell(1, 1).toString(), QString("2 KB"));
    QCOMPARE(cell(1, 2).toString(), QString("2024-01-15 09:00:00"));
    QCOMPARE(cell(1, 3).toString(), QString("文件"));
    QCOMPARE(cell(0, 0, Qt::UserRole).toString(), QString("dir"));
    QCOMPARE(cell(1, 0, Qt::UserRole + 1).toString(), QString("report.PDF"));
    QCOMPARE(cell(1, 0, Qt::UserRole + 2).toLongLong(), Q_INT64_C(1705309200000));
    QCOMPARE(cell(0, 0, Qt::DecorationRole).value<QPixmap>().toImage(),
             ThumbnailTableModel::cellPixmap(":/drawable/icon_dir.png").toImage());
    QCOMPARE(cell(1, 0, Qt::DecorationRole).value<QPixmap>().toImage(),
             ThumbnailTableModel::cellPixmap(":/drawable/icon_file_pdf.png").toImage());
    QVERIFY(!cell(2, 0).isValid()); // out of range
    QVERIFY(!model.data(QModelIndex()).isValid());

    // A thumbnail for an earlier listing does not reach the new rows.
    FileContent picture;
    picture.fileName = "a.png";
    picture.fileType = "file";
    model.setFiles({picture});
    const QModelIndex old = model.index(0, 0);
    model.setFiles({picture});
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    model.getThumbResult(true, red, old);
    QVERIFY(!model.files().first().thumbLoaded);
    model.getThumbResult(true, red, model.index(0, 0));
    QVERIFY(model.files().first().thumbLoaded);
    QCOMPARE(cell(0, 0, Qt::DecorationRole).value<QPixmap>().toImage().pixelColor(24, 24),
             QColor(Qt::red));
}

void TestFileBrowser::fileTypeIcons() {
    const FileTypes& types = FileTypes::instance();
    QCOMPARE(types.iconPathFor("README"), QString(":/drawable/icon_file_unknow.png"));
    QCOMPARE(types.iconPathFor("HOLIDAY.JPG"), QString(":/drawable/icon_file_pic.png"));
    QCOMPARE(types.iconPathFor("song.Mp3"), QString(":/drawable/icon_file_music.png"));
    QCOMPARE(types.iconPathFor("clip.3gpp2"), QString(":/drawable/icon_file_video.png"));
    QCOMPARE(types.iconPathFor("notes.lrc"), QString(":/drawable/icon_file_text.png"));
    QCOMPARE(types.iconPathFor("deck.pptx"), QString(":/drawable/icon_file_ppt.png"));
    QCOMPARE(types.iconPathFor("letter.docx"), QString(":/drawable/icon_file_doc.png"));
    QCOMPARE(types.iconPathFor("sheet.xls"), QString(":/drawable/icon_file_xls.png"));
    QCOMPARE(types.iconPathFor("archive.tar.gz"), QString(":/drawable/icon_file_unknow.png"));
    QCOMPARE(types.iconPathFor("pdf"), QString(":/drawable/icon_file_pdf.png")); // no dot
    // Every icon the table names is in the resources.
    for (const char* name :
         {"a.mid", "a.mp4", "a.png", "a.txt", "a.pdf", "a.ppt", "a.doc", "a.xlsx", "a.unknown"})
        QVERIFY2(!QPixmap(types.iconPathFor(name)).isNull(), name);
    QVERIFY(!QPixmap(FileTypes::FolderIcon).isNull());

    QVERIFY(FileTypes::isPicture("a.JPEG"));
    QVERIFY(FileTypes::isPicture("b.gif"));
    QVERIFY(!FileTypes::isPicture("c.wbmp")); // a picture icon, but no preview
    QVERIFY(!FileTypes::isPicture("png"));
}

void TestFileBrowser::fileTile() {
    FileContentWidget tile;
    QSignalSpy listing(&tile, &FileContentWidget::getFileList);
    FileContent folder;
    folder.fileName = "Pictures";
    folder.fileType = "dir";
    folder.dateModified = Q_INT64_C(1705309200000);
    tile.setFileContent(folder);
    QCOMPARE(tile.infoText(), QString("2024-01-15 09:00:00"));
    QTest::mouseDClick(&tile, Qt::LeftButton);
    QCOMPARE(listing.count(), 1);
    QCOMPARE(listing.first().first().toString(), QString("Pictures"));

    FileContent file = folder;
    file.fileName = "poster.png";
    file.fileType = "file";
    file.fileSize = 3 * 1024 * 1024;
    tile.setFileContent(file);
    QCOMPARE(tile.infoText(), QString("3.0 MB  2024-01-15 09:00:00"));
    QTest::mouseDClick(&tile, Qt::LeftButton);
    QCOMPARE(listing.count(), 1); // files open no listing
}

int main(int argc, char** argv) {
    // Fixed texts: times in UTC, numbers in the C locale.
    qputenv("TZ", "UTC");
    tzset();
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    TestFileBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filebrowser.moc"
