// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtdialogs.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

QtDialogs::QtDialogs(std::function<QWidget *()> owner)
    : m_owner(std::move(owner))
{
}

namespace {

QString titleOrDefault(const QString &title)
{
    return title.isEmpty() ? QtDialogs::ApplicationTitle : title;
}

} // namespace

void QtDialogs::showMessage(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), text, QMessageBox::Ok, m_owner());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Dialogs::Reply QtDialogs::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, titleOrDefault(title), text,
                    QMessageBox::Yes | QMessageBox::No, m_owner());
    box.setTextFormat(Qt::PlainText);
    // The buttons speak Italian like the rest of the game, whatever
    // translations of Qt the machine has.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Reply::Yes : Reply::No;
}

QString QtDialogs::askText(const QString &prompt)
{
    QInputDialog dialog(m_owner());
    dialog.setWindowTitle(ApplicationTitle);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
