// SPDX-License-Identifier: GPL-3.0-or-later
// The yardsticks the game is measured against, built twice from this file:
// - bare_prompt, for the launch: only the name prompt the game opens with
//   (same title, text and buttons);
// - bare_window (BARE_WINDOW defined), for the memory: that prompt, then
//   once it is answered an empty main window, maximised, titled like the
//   game's.

#include <QApplication>
#include <QInputDialog>
#ifdef BARE_WINDOW
#include <QMainWindow>
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QInputDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Quizzola"));
    dialog.setLabelText(QStringLiteral("Come ti chiami?"));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    const bool answered = dialog.exec() == QDialog::Accepted;
#ifdef BARE_WINDOW
    if (!answered)
        return 1;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Gioca con la Quizzola"));
    window.showMaximized();
    return app.exec();
#else
    return answered ? 0 : 1;
#endif
}
