// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtdialogs.h"

#include <QAccessibleWidget>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

namespace {

// The label that shows a message box's text.
QLabel *textLabel(const QObject *box)
{
    return box ? box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"), Qt::FindDirectChildrenOnly) : nullptr;
}

// A message box's button as screen readers see it: a push button, as Qt
// shows it to them, labelled by the box's text. A reader says an object
// with its label as the object takes the focus, which a key still being
// handled as one box closes and the next opens cannot make it skip; and
// says it again when asked where the player is. A label that labels
// something is never read as the box's own text as well, so the text is
// said once as the box opens.
class MessageButton : public QAccessibleWidget
{
public:
    MessageButton(QPushButton *button, QLabel *text)
        : QAccessibleWidget(button, QAccessible::Button)
        , m_text(text)
    {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    QString text(QAccessible::Text t) const override
    {
        const QString caption = button()->text(); // "&Sì": Alt+S presses it
        if (t == QAccessible::Name)
            return QString(caption).remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (t == QAccessible::Accelerator)
            return QKeySequence::mnemonic(caption).toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.defaultButton = button()->isDefault();
        return state;
    }

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->animateClick();
        else
            QAccessibleWidget::doAction(action);
    }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto relations = QAccessibleWidget::relations(match);
        if (m_text && (match & QAccessible::Label))
            relations.append({QAccessible::queryAccessibleInterface(m_text), QAccessible::Label});
        return relations;
    }

private:
    QPushButton *button() const { return static_cast<QPushButton *>(widget()); }

    QPointer<QLabel> m_text;
};

// Qt asks this first for the screen readers' view of every object: the
// buttons of a message box get the one above, every other object Qt's own.
QAccessibleInterface *messageButtonInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String("QPushButton") || !qobject_cast<QDialogButtonBox *>(object->parent()))
        return nullptr;
    QLabel *text = textLabel(qobject_cast<QMessageBox *>(object->parent()->parent()));
    return text ? new MessageButton(static_cast<QPushButton *>(object), text) : nullptr;
}

// Gives the box's text, in screen readers' eyes, a label relation in both
// directions: its buttons are labelled by it (see MessageButton), and it is
// the label for the button that has the focus, as its buddy. A label with a
// buddy shows an "&" as the mark of a mnemonic, and "&&" as "&": each "&"
// in the text is doubled, so that the player sees the text as it is.
void labelTheButtons(QMessageBox &box, QMessageBox::StandardButton focused)
{
    QLabel *text = textLabel(&box);
    if (!text) // a Qt whose message box names its label otherwise: the text stays as Qt shows it
        return;
    text->setBuddy(box.button(focused));
    text->setText(box.text().replace(QLatin1Char('&'), QLatin1String("&&")));
}

QWidget *onScreen(QWidget *owner)
{
    return owner && owner->isVisible() ? owner : nullptr;
}

QString titleOrDefault(const QString &title)
{
    return title.isEmpty() ? QtDialogs::ApplicationTitle : title;
}

} // namespace

QString QtDialogs::shownText(const QMessageBox &box)
{
    const QLabel *text = textLabel(&box);
    if (!text || !text->buddy())
        return box.text();
    return text->text().replace(QLatin1String("&&"), QLatin1String("&"));
}

QtDialogs::QtDialogs(std::function<QWidget *()> owner)
    : m_owner(std::move(owner))
{
    QAccessible::installFactory(messageButtonInterface); // once however many are made
}

void QtDialogs::showMessage(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), text, QMessageBox::Ok, onScreen(m_owner()));
    box.setTextFormat(Qt::PlainText);
    labelTheButtons(box, QMessageBox::Ok);
    box.exec();
}

Dialogs::Reply QtDialogs::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, titleOrDefault(title), text,
                    QMessageBox::Yes | QMessageBox::No, onScreen(m_owner()));
    box.setTextFormat(Qt::PlainText);
    // The buttons speak Italian like the rest of the game, whatever
    // translations of Qt the machine has.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    labelTheButtons(box, QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Reply::Yes : Reply::No;
}

QString QtDialogs::askText(const QString &prompt)
{
    QInputDialog dialog(onScreen(m_owner()));
    dialog.setWindowTitle(ApplicationTitle);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
