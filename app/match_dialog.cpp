#include "app/match_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFormLayout>
#include <QSpinBox>

namespace {

// The opponent list: the computer's strengths first, then two players.
constexpr int TwoPlayersIndex = 3;

} // namespace

MatchDialog::MatchDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MatchDialog"));
    setWindowTitle(tr("試合の設定"));
    opponent_ = new QComboBox(this);
    opponent_->setObjectName(QStringLiteral("Opponent"));
    opponent_->addItems({tr("コンピューター（弱い）"), tr("コンピューター（普通）"), tr("コンピューター（強い）"),
                         tr("二人で対戦（同じキーボード）")});
    opponent_->setCurrentIndex(1);
    ends_ = new QSpinBox(this);
    ends_->setObjectName(QStringLiteral("Ends"));
    ends_->setRange(1, 10);
    ends_->setValue(8);
    freeGuardZone_ = new QCheckBox(tr("フリーガードゾーン"), this);
    freeGuardZone_->setObjectName(QStringLiteral("FreeGuardZone"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("開始"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("やめる"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(tr("相手"), opponent_);
    form->addRow(tr("エンド数"), ends_);
    form->addRow(QString(), freeGuardZone_);
    form->addRow(buttons);
}

MatchChoice MatchDialog::choice() const
{
    MatchChoice c;
    c.againstCpu = opponent_->currentIndex() != TwoPlayersIndex;
    c.cpuLevel = c.againstCpu ? opponent_->currentIndex() + 1 : 2;
    c.ends = ends_->value();
    c.freeGuardZone = freeGuardZone_->isChecked();
    return c;
}
