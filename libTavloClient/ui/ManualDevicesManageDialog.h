#pragma once

#include <QDialog>

#include <memory>

class QListWidgetItem;
class TavloClientDatabase;

namespace Ui {
class ManualDevicesManageDialog;
}

// The devices added by address and port, kept in the client database;
// discovery asks each of them at every scan. Double-clicking an entry
// removes it. The dialog itself sends nothing.
class ManualDevicesManageDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int DefaultPort = 16020;

    explicit ManualDevicesManageDialog(QWidget* parent = nullptr);
    ~ManualDevicesManageDialog() override;

    // "ADDRESS : PORT", the one record of an entry inside the dialog.
    static QString itemText(const QString& address, int port);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void onPushButtonAddClicked();
    void onItemRemoveTriggered(QListWidgetItem* item);

private:
    void warn(const QString& text);

    std::unique_ptr<Ui::ManualDevicesManageDialog> ui_;
    TavloClientDatabase* database_;
};
