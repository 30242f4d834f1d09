// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the game's launch: a Qt Widgets program that shows only
// the name prompt the game opens with (same title, text and buttons).

#include <QApplication>
#include <QInputDialog>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QInputDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Quizzola"));
    dialog.setLabelText(QStringLiteral("Come ti chiami?"));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
