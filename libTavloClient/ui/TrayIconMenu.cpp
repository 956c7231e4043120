#include "ui/TrayIconMenu.h"

#include <QIcon>

TrayIconMenu::TrayIconMenu(QWidget* parent)
    : QMenu(parent) {
    showAction_ = addAction(QIcon(QStringLiteral(":/tray_icon.png")), QStringLiteral("Glimmer"));
    addSeparator();
    quitAction_ = addAction(tr("退出"));
}
