// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tells the game when the desktop asks the program to end: on Unix the
// signals SIGTERM (logout, shutdown, `kill`) and SIGHUP (the terminal or
// session went away), everywhere the session manager's request to save
// before the session ends and the application's own quit request (macOS's
// Quit, the end of a Windows session).
//
// Contract:
// - requested() is emitted on the event loop, never inside a signal handler:
//   the handler only writes a byte to a socket pair, which a socket notifier
//   reads. A request that comes while no event loop runs (during a save) is
//   delivered as soon as one runs again.
// - Only one object may exist at a time; it takes over SIGTERM and SIGHUP
//   while it lives and gives them back their default action when destroyed.
// - The application's quit request is swallowed: the receiver of
//   requested() decides how the program ends.

#include <QObject>

class QSocketNotifier;

class EndRequests : public QObject
{
    Q_OBJECT
public:
    // Needs the application object to exist.
    explicit EndRequests(QObject *parent = nullptr);
    ~EndRequests() override;

signals:
    void requested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
