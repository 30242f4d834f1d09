// SPDX-License-Identifier: GPL-3.0-or-later
// Quizzola: the nine-times table against a five-minute clock.
// Builds the real services and hands them to the game window.

#include "platform/displayplatform.h"
#include "platform/qtdialogs.h"
#if defined(Q_OS_WASM)
#include "platform/webpage.h"
#include "platform/websoundplayer.h"
#include "platform/webspeech.h"
#include "platform/websystem.h"
#else
#include "platform/endrequests.h"
#include "platform/screenreaderspeech.h"
#include "platform/systemservices.h"
#endif
#if defined(QUIZZOLA_SOUND_LIBPULSE)
#include "platform/pulsesoundplayer.h"
#elif defined(QUIZZOLA_SOUND_WINMM)
#include "platform/winsoundplayer.h"
#endif
#include "window/artwork.h"
#include "window/tavola.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const QByteArray platform = preferredPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    // The name decides the record folder: ~/.local/share/quizzola on Linux.
    QCoreApplication::setApplicationName(QStringLiteral("quizzola"));
    // No application display name: X11 would append it to every window
    // title. Dialogs without a title of their own are titled by QtDialogs.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Quizzola"));
    // The icon of every window, the start-up dialogs shown without the game
    // window among them.
    QApplication::setWindowIcon(Artwork::picture(QStringLiteral("quizzola")));

    Tavola *window = nullptr;
    QtDialogs dialogs([&window]() -> QWidget * { return window; });
    ClockSeededRandom random;
#if defined(Q_OS_WASM)
    // A web browser: the page is the window, see src/platform/web*.
    WebPage::addFonts();
    WebSpeech speech;
    WebSoundPlayer sound;
    WebSystem system;
    for (const QString &file : {Texts::RightSound, Texts::WrongSound})
        sound.prefetch(system.programFolder() + QLatin1Char('/') + file);
#else
    ScreenReaderSpeech speech;
    DesktopSystem system;
#endif
#if defined(QUIZZOLA_SOUND_LIBPULSE)
    PulseSoundPlayer sound; // Linux: PulseAudio's client library, see src/CMakeLists.txt
#elif defined(QUIZZOLA_SOUND_WINMM)
    WinSoundPlayer sound; // Windows: winmm's PlaySound
#endif

    Tavola tavola(Services{&dialogs, &sound, &speech, &random, &system});
    window = &tavola;
#if defined(Q_OS_WASM)
    // A page is left, not ended: nothing asks it to end but the game's own exit.
    WebPage page(&tavola);
    tavola.start();
    return app.exec();
#else
    // Logout, shutdown or a signal: the game decides how to end, saving a
    // record just earned if the farewell is still waiting for its OK.
    EndRequests endRequests;
    QObject::connect(&endRequests, &EndRequests::requested, &tavola, &Tavola::endRequested);
    tavola.start();
    // The game ends through its own exit. Closing the window from its title
    // bar is a request to end like the desktop's: during play the game ends
    // with nothing saved.
    return app.exec();
#endif
}
