// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/endrequests.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is written by the signal handler, [1] read on the event loop.
int signalPipe[2] = {-1, -1};
const int EndSignals[] = {SIGTERM, SIGHUP};

// Only what is safe inside a signal handler: one write, errno kept. When
// the socket is full a request is already waiting, so losing the byte is
// harmless.
void onEndSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace
#endif

EndRequests::EndRequests(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) == 0) {
        m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this]() {
            char bytes[16];
            while (::read(signalPipe[1], bytes, sizeof bytes) > 0) {
            }
            emit requested();
        });
        struct sigaction action = {};
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        // A system call the signal interrupts starts again, so Qt and the
        // file operations of a save never see EINTR because of it.
        action.sa_flags = SA_RESTART;
        for (const int signal : EndSignals)
            ::sigaction(signal, &action, nullptr);
    }
#endif
    // The session manager asks before the session ends; the program may not
    // get another chance, so the game is ended there and then. Closing the
    // last window also comes as the application's quit request.
#ifndef QT_NO_SESSIONMANAGER
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &EndRequests::requested);
#endif
    qGuiApp->installEventFilter(this);
}

EndRequests::~EndRequests()
{
#ifdef Q_OS_UNIX
    if (m_notifier) {
        for (const int signal : EndSignals)
            ::signal(signal, SIG_DFL);
        delete m_notifier;
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
#endif
}

bool EndRequests::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qGuiApp && event->type() == QEvent::Quit) {
        emit requested();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
