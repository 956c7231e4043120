#pragma once

#include <QMenu>

// The tray icon's menu: show or hide the window, and quit.
class TrayIconMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayIconMenu(QWidget* parent = nullptr);

    QAction* showAction() const { return showAction_; }
    QAction* quitAction() const { return quitAction_; }

private:
    QAction* showAction_;
    QAction* quitAction_;
};
