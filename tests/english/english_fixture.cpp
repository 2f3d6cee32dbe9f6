#include "english_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QRegularExpression>
#include <QTableWidget>

#include <algorithm>

namespace english {

bool hasJapanese(const QString& text)
{
    // CJK punctuation after the ideographic space, kana, kanji (with extension A and the
    // compatibility block), and the full-width forms of Latin letters, digits and signs.
    static const QRegularExpression japanese(
        QStringLiteral("[\\x{3001}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF01}-\\x{FF60}]"));
    return japanese.match(text).hasMatch();
}

QStringList shownTexts(QWidget& widget)
{
    QStringList texts{widget.windowTitle()};
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&widget))
            continue;
        texts << child->toolTip();
        if (auto* label = qobject_cast<QLabel*>(child))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            texts << button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(child))
            texts << edit->text() << edit->placeholderText();
        if (auto* combo = qobject_cast<QComboBox*>(child)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        }
        if (auto* table = qobject_cast<QTableWidget*>(child)) {
            for (int c = 0; c < table->columnCount(); ++c)
                texts << table->model()->headerData(c, Qt::Horizontal).toString();
        }
    }
    texts.removeAll(QString());
    return texts;
}

QStringList cutControls(QWidget& widget)
{
    QStringList cut;
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&widget))
            continue;
        bool fits = true;
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const QRect box = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
            fits = needed.width() <= box.width() && needed.height() <= box.height();
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            // A narrow button is below the style's least width, but its text may still fit.
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect inside = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            fits = button->sizeHint().width() <= button->width()
                || button->fontMetrics().horizontalAdvance(button->text()) <= inside.width();
        } else if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child)) {
            fits = child->sizeHint().width() <= child->width();
        }
        if (!fits)
            cut << child->objectName() + QStringLiteral(" \"") + child->property("text").toString() + u'"';
    }
    return cut;
}

void KeepingDialogs::messageBox(const std::string& text, const std::string& caption)
{
    texts.push_back(text);
    texts.push_back(caption);
}

std::optional<std::string> KeepingDialogs::inputBox(const std::string& prompt, const std::string& title,
                                                    const std::string& initial)
{
    texts.insert(texts.end(), {prompt, title, initial});
    if (answers.empty())
        return std::nullopt;
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

std::unique_ptr<platform::Translations> installEnglish()
{
    auto english = std::make_unique<platform::Translations>(platform::Language::English, TranslationsFolder);
    EXPECT_EQ(english->language(), platform::Language::English) << "the build's English texts were not found";
    return english;
}

BothLanguages::BothLanguages()
{
    build(japanese);
    translations = installEnglish();
    build(english);
}

BothLanguages::~BothLanguages()
{
    english.startUp.reset();
    translations.reset();
}

void BothLanguages::build(Side& side)
{
    side.startUp = std::make_unique<StartUp>(
        service.url(), side.dialogs, [](int16_t) { return 0; }, [](int) {});
    side.startUp->run();
}

void BothLanguages::onBoth(const std::function<void(StartUp&)>& act)
{
    act(*japanese.startUp);
    act(*english.startUp);
}

void BothLanguages::expectEnglishWhole(const std::function<QWidget&(StartUp&)>& screen,
                                       const std::string& state)
{
    QWidget& shown = screen(*english.startUp);
    // For a translator's look at the screens: RINKFALL_ENGLISH_PICTURES=folder keeps each state as a PNG.
    const QString pictures = qEnvironmentVariable("RINKFALL_ENGLISH_PICTURES");
    if (!pictures.isEmpty()) {
        const QString name = QString::fromLatin1(shown.metaObject()->className()).section(u':', -1) + u'_'
                             + QString::fromStdString(state).replace(u' ', u'_');
        shown.grab().save(pictures + u'/' + name + QStringLiteral(".png"));
    }
    for (const QString& text : shownTexts(shown))
        EXPECT_FALSE(hasJapanese(text)) << state << ": \"" << text.toStdString() << "\"";
    for (const std::string& text : english.dialogs.texts)
        EXPECT_FALSE(hasJapanese(QString::fromStdString(text))) << state << ": dialog \"" << text << "\"";
    const QStringList cutInJapanese = cutControls(screen(*japanese.startUp));
    for (const QString& control : cutControls(shown)) {
        const QString name = control.section(u' ', 0, 0);
        const bool alsoCut = std::any_of(cutInJapanese.begin(), cutInJapanese.end(),
                                         [&](const QString& j) { return j.section(u' ', 0, 0) == name; });
        EXPECT_TRUE(alsoCut) << state << ": " << control.toStdString() << " is cut in English only";
    }
}

} // namespace english
