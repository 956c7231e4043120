#pragma once

#include <QDialog>

#include <memory>

class Config;

namespace Ui {
class SettingDialog;
}

// Edits the user's settings: client name, download folder, the cast hot key,
// whether a cast asks first and whether the client starts with the desktop.
// While it is open the global hot key is off, so that pressing the current
// key in its field records it instead of starting a cast.
class SettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingDialog(QWidget* parent = nullptr);
    ~SettingDialog() override;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void onSetDownloadPath();
    void onResetCastShortcut();

private:
    void refuse(const QString& text);

    std::unique_ptr<Ui::SettingDialog> ui_;
    Config* config_;
};
