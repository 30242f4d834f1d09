// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtdialogs.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

QtDialogs::QtDialogs(std::function<QWidget *()> owner, Speech &speech)
    : m_owner(std::move(owner))
    , m_speech(speech)
{
}

namespace {

QWidget *onScreen(QWidget *owner)
{
    return owner && owner->isVisible() ? owner : nullptr;
}

QString titleOrDefault(const QString &title)
{
    return title.isEmpty() ? QtDialogs::ApplicationTitle : title;
}

// A screen reader reads a message box's text as the box opens, but not
// always: a key that reaches the reader as one box closes and the next
// opens (the Enter that closed the box before, on a slow machine) makes
// the reader take the new box for one it has already presented, and it
// skips its text. What is said with the button that takes the focus, once
// the box is open, is not skipped that way, so the text is said there, and
// only there: the label that shows it is given a blank name, which the
// reader leaves out.
void sayWithTheFocus(Speech &speech, QMessageBox &box, QMessageBox::StandardButton focused)
{
    speech.sayWithFocus(box.button(focused), box.text());
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
        label->setAccessibleName(QStringLiteral(" "));
}

} // namespace

void QtDialogs::showMessage(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), text, QMessageBox::Ok, onScreen(m_owner()));
    box.setTextFormat(Qt::PlainText);
    sayWithTheFocus(m_speech, box, QMessageBox::Ok);
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
    sayWithTheFocus(m_speech, box, QMessageBox::No);
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
