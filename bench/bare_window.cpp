// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the game's memory: the name prompt, then once it is
// answered an empty main window, maximised, titled like the game's.

#include <QApplication>
#include <QInputDialog>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QInputDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Quizzola"));
    dialog.setLabelText(QStringLiteral("Come ti chiami?"));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted)
        return 1;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Gioca con la Quizzola"));
    window.showMaximized();
    return app.exec();
}
