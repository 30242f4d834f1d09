// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Dialogs shown with Qt's message and input boxes, modal over the window
// returned by `owner` (which may be hidden, as during the start-up dialogs).

#include "platform/services.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QtDialogs : public Dialogs
{
public:
    // The title of every dialog that has none of its own.
    static inline const QString ApplicationTitle = QStringLiteral("Quizzola");

    explicit QtDialogs(std::function<QWidget *()> owner);

    void showMessage(const QString &text, const QString &title = QString()) override;
    Reply askYesNo(const QString &text, const QString &title) override;
    QString askText(const QString &prompt) override;

private:
    std::function<QWidget *()> m_owner;
};
