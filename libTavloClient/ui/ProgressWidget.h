#pragma once

#include "utils/ServerContent.h"

#include <QWidget>

#include <memory>

class QAction;
class QMenu;

namespace Ui {
class ProgressWidget;
}

// One transfer in the progress list: spinner with percentage, a line of
// text, a close button once it ended, and follow-up actions in a menu.
class ProgressWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int WrapWidth = 23;

    ProgressWidget(const ServerContent& server, const QString& localPath, bool download,
                   QWidget* parent = nullptr);
    ~ProgressWidget() override;

    void setPaths(const QString& localPath, const QString& remotePath);
    void setDateModified(qint64 dateModified) { dateModified_ = dateModified; }
    void setId(int id) { id_ = id; }
    int id() const { return id_; }
    void setText(const QString& text);
    QString text() const;
    void setProgress(int minimum, int maximum, int value);
    int progressValue() const;
    void setCloseVisible(bool visible);
    bool isCloseVisible() const;
    void setRedoMenu();
    QMenu* menu() const { return menu_; }

    // The text with line breaks before positions 23, 46, 92, 184, ...
    static QString wrapped(const QString& text);

signals:
    void destroyed(int id);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private slots:
    void openFileAtNative();
    void deleteFileAtServer();
    void openDirTriggered();
    void openActionTriggered();
    void redoActionTriggered();
    void close();

private:
    std::unique_ptr<Ui::ProgressWidget> ui_;
    ServerContent server_;
    QString localPath_;
    QString remotePath_;
    bool download_;
    qint64 dateModified_ = 0;
    int id_ = -1;
    QMenu* menu_;
    QAction* redoAction_ = nullptr;
};
