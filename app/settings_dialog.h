#pragma once

// The player's settings, asked from the title menu: the service address, the volume and the
// mouse-look. OK keeps them only when the address is one the game can use; Cancel changes nothing.

#include "app/settings.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSettings;
class QSlider;

class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    explicit SettingsDialog(const StoredSettings& current, QWidget* parent = nullptr);

    // The settings the dialog opened with, changed as its fields say.
    StoredSettings chosen() const;
    // Stays open, saying why, while the address is not one.
    void accept() override;

    QLineEdit* server() const { return server_; }
    QSlider* volume() const { return volume_; }
    QDoubleSpinBox* mouseSensitivity() const { return sensitivity_; }
    QCheckBox* invertLook() const { return invertLook_; }
    QLabel* error() const { return error_; }

private:
    StoredSettings current_;
    QLineEdit* server_;
    QSlider* volume_;
    QDoubleSpinBox* sensitivity_;
    QCheckBox* invertLook_;
    QLabel* error_;
};

// Opens the dialog on what `settings` holds; on OK writes the choice there and returns it.
std::optional<StoredSettings> editSettings(QSettings& settings, QWidget* parent);
