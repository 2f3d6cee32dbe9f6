#include "app/settings_dialog.h"

#include "game/mouse_feel.h"
#include "online/protocol.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

SettingsDialog::SettingsDialog(const StoredSettings& current, QWidget* parent)
    : QDialog(parent)
    , current_(current)
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(tr("設定"));
    server_ = new QLineEdit(current.server, this);
    server_->setObjectName(QStringLiteral("Server"));
    server_->setPlaceholderText(QString::fromLatin1(online::Protocol::DefaultServer));
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("Volume"));
    volume_->setRange(0, 100);
    volume_->setValue(current.volume);
    auto* volumeShown = new QLabel(QString::number(current.volume), this);
    volumeShown->setMinimumWidth(volumeShown->fontMetrics().horizontalAdvance(QStringLiteral("100")));
    connect(volume_, &QSlider::valueChanged, volumeShown, [volumeShown](int v) { volumeShown->setNum(v); });
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(volume_);
    volumeRow->addWidget(volumeShown);
    sensitivity_ = new QDoubleSpinBox(this);
    sensitivity_->setObjectName(QStringLiteral("MouseSensitivity"));
    sensitivity_->setRange(mousefeel::MinSensitivity, mousefeel::MaxSensitivity);
    sensitivity_->setDecimals(2);
    sensitivity_->setSingleStep(0.1);
    sensitivity_->setValue(current.mouseSensitivity);
    invertLook_ = new QCheckBox(tr("上下の視点操作を反転する"), this);
    invertLook_->setObjectName(QStringLiteral("InvertLook"));
    invertLook_->setChecked(current.invertLook);
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("Error"));
    error_->setTextFormat(Qt::PlainText);
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #b00000;"));
    error_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(tr("サーバーのアドレス"), server_);
    form->addRow(QString(), error_);
    form->addRow(tr("音量"), volumeRow);
    form->addRow(tr("マウス感度"), sensitivity_);
    form->addRow(QString(), invertLook_);
    form->addRow(buttons);
}

StoredSettings SettingsDialog::chosen() const
{
    StoredSettings s = current_;
    s.server = server_->text().trimmed();
    s.volume = volume_->value();
    s.mouseSensitivity = sensitivity_->value();
    s.invertLook = invertLook_->isChecked();
    return s;
}

void SettingsDialog::accept()
{
    const QString server = server_->text().trimmed();
    if (!server.isEmpty() && !online::Protocol::parseServer(server)) {
        error_->setText(tr("サーバーのアドレスは http://example.org:8080 のように、"
                           "http:// か https:// とホスト名（とポート番号）で入力してください。"));
        error_->show();
        server_->setFocus();
        server_->selectAll();
        return;
    }
    QDialog::accept();
}

std::optional<StoredSettings> editSettings(QSettings& settings, QWidget* parent)
{
    SettingsDialog dialog(readSettings(settings), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const StoredSettings chosen = dialog.chosen();
    writeSettings(settings, chosen);
    return chosen;
}
