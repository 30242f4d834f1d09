// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/screenreaderspeech.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QWidget>

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)

namespace {

// Announces `text` as said by `source`. A screen reader that sees a burst
// of events of one kind from a program drops all but the first, unless
// their source has the focus: the source is what has it whenever it can.
void announce(QObject *source, const QString &text)
{
    QAccessibleAnnouncementEvent event(source, text);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void ScreenReaderSpeech::say(QObject *window, const QString &text)
{
    QWidget *focused = static_cast<QWidget *>(window)->focusWidget();
    announce(focused ? static_cast<QObject *>(focused) : window, text);
}

void ScreenReaderSpeech::sayWithFocus(QObject *control, const QString &text)
{
    // What the control is for would be said before the text every time: a
    // control that speaks with the turn goes without it, as on Qt 6.4.
    auto *widget = static_cast<QWidget *>(control);
    widget->setAccessibleDescription(QString());
    // Unless a box has opened meanwhile (the exit pressed straight after an
    // answer): its own text is said then, and this one would cut into it or
    // follow it, out of place.
    QMetaObject::invokeMethod(
        widget,
        [widget, text] {
            if (!QApplication::activeModalWidget())
                announce(widget, text);
        },
        Qt::QueuedConnection);
}

#else

#include "platform/announcer.h"

namespace {

QAccessibleInterface *announcerInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("Announcer") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

void ScreenReaderSpeech::say(QObject *window, const QString &text)
{
    static const bool installed = (QAccessible::installFactory(announcerInterface), true);
    Q_UNUSED(installed);
    auto *announcer = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!announcer)
        announcer = new Announcer(static_cast<QWidget *>(window));
    announcer->hide();
    announcer->setAccessibleName(text);
    announcer->show();
}

void ScreenReaderSpeech::sayWithFocus(QObject *control, const QString &text)
{
    static_cast<QWidget *>(control)->setAccessibleDescription(text);
}

#endif
