#include "online/form_kit.h"

#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QToolTip>

namespace online::formkit {

namespace {

int pixels(int twipsValue)
{
    return (twipsValue + 7) / 15;
}

constexpr int WrappedText = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// Shows its whole text where it fits, wrapped onto the lines its height holds. Where it does not,
// it shows one line cut with "…" and offers the whole text as its tooltip, so that no line is
// shown in part.
class FittingLabel final : public QLabel {
public:
    FittingLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

    bool cutsText() const
    {
        const QRect box = contentsRect();
        const QRect needed = fontMetrics().boundingRect(box, WrappedText, text());
        return needed.width() > box.width() || needed.height() > box.height();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!cutsText()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        const QRect box = contentsRect();
        painter.setClipRect(box);
        const QString line = fontMetrics().elidedText(text(), Qt::ElideRight, box.width());
        style()->drawItemText(&painter, box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, palette(),
                              isEnabled(), line, foregroundRole());
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QLabel::event(event);
        // Tooltips guess their format, so the whole text goes in escaped to stay plain.
        if (cutsText())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               Qt::convertFromPlainText(text(), Qt::WhiteSpacePre), this);
        else
            QToolTip::hideText();
        return true;
    }
};

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
    auto* control = new FittingLabel(text, form);
    control->setObjectName(name);
    control->setGeometry(geometry);
    // Labels show text from the service and from users: never let it act as markup.
    control->setTextFormat(Qt::PlainText);
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
