// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webpage.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFontDatabase>
#include <QInputDialog>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <emscripten.h>
#include <emscripten/bind.h>

namespace {

WebPage *thePage = nullptr;

EM_JS(void, setPageTitle, (const char *title), {
    document.title = UTF8ToString(title);
});

EM_JS(void, followTabVisibility, (), {
    document.addEventListener("visibilitychange", () => Module.quizzolaTabHidden(document.hidden));
});

// Qt's hidden text field, which takes the keyboard's typing for the control
// with the focus, tells an on-screen keyboard which keys to show.
EM_JS(void, setKeyboardMode, (const char *mode), {
    for (const field of document.body.querySelectorAll("input"))
        if (field["data-qinputcontext"] !== undefined)
            field.setAttribute("inputmode", UTF8ToString(mode));
});

void tabHidden(bool hidden)
{
    if (thePage)
        thePage->setHidden(hidden);
}

EMSCRIPTEN_BINDINGS(quizzola_page)
{
    emscripten::function("quizzolaTabHidden", &tabHidden);
}

} // namespace

WebPage::WebPage(QWidget *window)
    : m_window(window)
{
    thePage = this;
    m_window->setWindowFlag(Qt::FramelessWindowHint);
    qApp->installEventFilter(this);
    setPageTitle(m_window->windowTitle().toUtf8().constData());
    followTabVisibility();
    // The keyboard follows the focus once it has moved, and once a window
    // just shown has taken the page's focus for its own picture.
    connect(qGuiApp, &QGuiApplication::focusObjectChanged, this,
            [this] { QTimer::singleShot(0, this, &WebPage::keyboardToFocus); });
}

WebPage::~WebPage()
{
    thePage = nullptr;
}

void WebPage::addFonts()
{
    const QDir fonts(QStringLiteral(":/fonts"));
    for (const QString &file : fonts.entryList(QDir::Files))
        QFontDatabase::addApplicationFont(fonts.filePath(file));
}

void WebPage::setHidden(bool hidden)
{
    const Qt::WindowStates state = m_window->windowState();
    m_window->setWindowState(hidden ? state | Qt::WindowMinimized : state & ~Qt::WindowMinimized);
}

bool WebPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowTitleChange)
        setPageTitle(m_window->windowTitle().toUtf8().constData());
    // A box that asks for a text opens with the focus on its text field, as
    // on a desktop; in a page Qt gives it to the box's first button.
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QInputDialog *>(watched)) {
            QTimer::singleShot(0, box, [box] {
                if (auto *field = box->findChild<QLineEdit *>())
                    field->setFocus(Qt::OtherFocusReason);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void WebPage::keyboardToFocus()
{
    QObject *focus = QGuiApplication::focusObject();
    if (!focus)
        return;
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
    QCoreApplication::sendEvent(focus, &query);
    if (!query.value(Qt::ImEnabled).toBool())
        return;
    const auto hints = Qt::InputMethodHints(query.value(Qt::ImHints).toInt());
    setKeyboardMode(hints & Qt::ImhDigitsOnly ? "numeric" : "text");
    QGuiApplication::inputMethod()->show();
}
