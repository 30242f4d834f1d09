// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webspeech.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <emscripten.h>

namespace {

// The page's live region (index.html), given a new paragraph for each text:
// a reader speaks what is added, even a text the same as the one before.
EM_JS(void, writeLiveRegion, (const char *text), {
    const region = document.getElementById("quizzola-parla");
    if (!region)
        return;
    const paragraph = document.createElement("p");
    paragraph.textContent = UTF8ToString(text);
    region.replaceChildren(paragraph);
});

void write(const QString &text)
{
    writeLiveRegion(text.toUtf8().constData());
}

// A message box's text as the box shows it: a label that names the box's
// buttons for screen readers has each "&" of the text doubled, which it
// shows as one.
QString shownText(const QMessageBox &box)
{
    const auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label || !label->buddy())
        return box.text();
    QString shown;
    const QString text = label->text();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text.at(i);
    }
    return shown;
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
            write(shownText(*box));
        else if (const auto *input = qobject_cast<QInputDialog *>(watched))
            write(input->labelText());
    }
    return QObject::eventFilter(watched, event);
}
