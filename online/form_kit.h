#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

// Building blocks of the fixed-size online forms, laid out in twips (15 twips to the pixel).
namespace online::formkit {

QRect twips(int left, int top, int width, int height);
void setClientSize(QWidget* form, int widthTwips, int heightTwips);
// IPAPGothic is the proportional Japanese gothic face of the online forms.
QFont proportionalGothic(int pointSize, bool bold = false);

// Control arrays are named "Name(i)".
QString indexedName(const char* name, int index);

// A plain-text label: whatever it is given is shown character for character. Shows the whole
// text, wrapped where the height holds more lines; a text that does not fit shows as one line cut
// with "…", the whole text being its tooltip.
QLabel* label(QWidget* form, const QString& name, const QString& text, const QRect& geometry);
QPushButton* button(QWidget* form, const QString& name, const QString& text, const QRect& geometry);
QLineEdit* textBox(QWidget* form, const QString& name, const QRect& geometry, int maxLength,
                   bool password = false);
QScrollBar* verticalScrollBar(QWidget* form, const QString& name, const QRect& geometry);

} // namespace online::formkit
