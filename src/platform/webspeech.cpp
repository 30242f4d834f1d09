// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webspeech.h"

#include "platform/qtdialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <emscripten.h>

namespace {

// The page's live region, through page.js.
EM_JS(void, writeLiveRegion, (const char *text), {
    if (typeof quizzolaSay === 'function')
        quizzolaSay(UTF8ToString(text));
});

void write(const QString &text)
{
    writeLiveRegion(text.toUtf8().constData());
}

} // namespace

WebSpeech::WebSpeech()
{
    QCoreApplication::instance()->installEventFilter(this);
}

void WebSpeech::say(QObject *, const QString &text)
{
    write(text);
}

void WebSpeech::sayWithFocus(QObject *, const QString &text)
{
    write(text);
}

bool WebSpeech::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        // A box's title is the page's business; its text is what it says.
        if (const auto *box = qobject_cast<QMessageBox *>(watched))
            write(QtDialogs::shownText(*box));
        else if (const auto *input = qobject_cast<QInputDialog *>(watched))
            write(input->labelText());
    }
    return QObject::eventFilter(watched, event);
}
