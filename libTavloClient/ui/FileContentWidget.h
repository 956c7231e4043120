#pragma once

#include "utils/FileContent.h"

#include <QWidget>

#include <memory>

namespace Ui {
class FileContentWidget;
}

// One entry of a device folder as a small tile: its icon, name and a line
// with size and date (folders: only the date). Double-clicking a folder asks
// for its listing.
class FileContentWidget : public QWidget {
    Q_OBJECT
public:
    explicit FileContentWidget(QWidget* parent = nullptr);
    ~FileContentWidget() override;

    void setFileContent(const FileContent& content);
    const FileContent& fileContent() const { return content_; }
    QString infoText() const;

signals:
    void getFileList(QString filePath);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::FileContentWidget> ui_;
    FileContent content_;
};
