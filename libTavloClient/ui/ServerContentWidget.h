#pragma once

#include "utils/ServerContent.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui {
class ServerContentWidget;
}

// The card of one device: its name and kind, a drop zone for files to upload
// and, for Tavlo devices, a double-click that opens the file browser.
class ServerContentWidget : public QWidget {
    Q_OBJECT
public:
    static const QColor NormalColor;
    static const QColor DragColor;

    explicit ServerContentWidget(QWidget* parent = nullptr);
    ServerContentWidget(const ServerContent& server, QWidget* parent);
    ~ServerContentWidget() override;

    void setServerContent(const ServerContent& server);
    const ServerContent& serverContent() const { return server_; }
    QColor backgroundColor() const;

    // The local files of a drop, in drop order; web links are left out.
    static QStringList localFilesOf(const class QMimeData* data);

signals:
    void filePathDroped(QStringList pathList);
    void fileList(ServerContent server);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void setBackground(const QColor& color);

    std::unique_ptr<Ui::ServerContentWidget> ui_;
    ServerContent server_;
};
