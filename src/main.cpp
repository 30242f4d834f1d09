// Quizzola: the nine-times table against a five-minute clock.
// Builds the real services and hands them to the game window.

#include "platform/qtdialogs.h"
#include "platform/qtsoundplayer.h"
#include "platform/systemservices.h"
#include "window/tavola.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The name decides the record folder: ~/.local/share/quizzola on Linux.
    QCoreApplication::setApplicationName(QStringLiteral("quizzola"));
    QGuiApplication::setApplicationDisplayName(QtDialogs::ApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Quizzola"));

    Tavola *window = nullptr;
    QtDialogs dialogs([&window]() -> QWidget * { return window; });
    QtSoundPlayer sound;
    ClockSeededRandom random;
    DesktopSystem system;

    Tavola tavola(Services{&dialogs, &sound, &random, &system});
    window = &tavola;
    tavola.start();
    // The game ends through its own exit; closing the window from its
    // title bar ends it here, with nothing saved.
    return app.exec();
}
