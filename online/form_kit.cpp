#include "online/form_kit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace online::formkit {

namespace {

int pixels(int twipsValue)
{
    return (twipsValue + 7) / 15;
}

} // namespace

QRect twips(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

void setClientSize(QWidget* form, int widthTwips, int heightTwips)
{
    form->setFixedSize(pixels(widthTwips), pixels(heightTwips));
    form->setFont(proportionalGothic(9));
}

QFont proportionalGothic(int pointSize, bool bold)
{
    QFont font(QStringLiteral("IPAPGothic"), pointSize);
    font.setBold(bold);
    return font;
}

QString indexedName(const char* name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* label(QWidget* form, const QString& name, const QString& text, const QRect& geometry)
{
    auto* control = new QLabel(text, form);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    control->setWordWrap(true);
    return control;
}

QPushButton* button(QWidget* form, const QString& name, const QString& text, const QRect& geometry)
{
    auto* control = new QPushButton(text, form);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setAutoDefault(false);
    return control;
}

QLineEdit* textBox(QWidget* form, const QString& name, const QRect& geometry, int maxLength, bool password)
{
    auto* control = new QLineEdit(form);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setMaxLength(maxLength);
    if (password) {
        control->setEchoMode(QLineEdit::Password);
        control->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // '*'
    }
    return control;
}

QScrollBar* verticalScrollBar(QWidget* form, const QString& name, const QRect& geometry)
{
    auto* control = new QScrollBar(Qt::Vertical, form);
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setRange(0, 0);
    return control;
}

} // namespace online::formkit
