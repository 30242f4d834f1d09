// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/tavola.h"

#include "clock/countdown.h"
#include "platform/numbers.h"
#include "platform/services.h"
#include "quiz/questions.h"
#include "records/recordfiles.h"
#include "window/controls.h"

#include <QEvent>
#include <QShortcut>
#include <QTimer>

Tavola::Tavola(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    Q_ASSERT(services.dialogs && services.sound && services.speech && services.random && services.system);
    buildControls();
    // F2 does nothing else in the game, in Orca or on common desktops.
    auto *sayState = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(sayState, &QShortcut::activated, this, &Tavola::announceState);
}

Tavola::~Tavola() = default;

void Tavola::start()
{
    Form_Load();
    showMaximized();
}

void Tavola::Form_Load()
{
    // No tick may arrive while the player answers the dialogs below.
    Timer1->stop();

    m_state.playerName = m_services.dialogs->askText(Texts::NamePrompt);
    // The pictures are read only now: the name prompt, the first thing a
    // player sees, comes up without waiting for them.
    showPictures();
    m_services.dialogs->showMessage(QLatin1Char(' ') + m_state.playerName + Texts::GreetingEnd);
    lblnome1->setCaption(m_state.playerName);

    ResetClock();
    m_state.windowsDir = GetSystemDir();

    // The record as stored: the files are created empty when missing and
    // shown as they are. A file that cannot be used leaves its caption empty
    // and the record unsaved at the end, so a stored record is never lost.
    // Both are read under the folder's lock, so a copy of the game saving
    // its record meanwhile is seen before or after its save, never halfway;
    // what went wrong is told once the lock is released.
    QString problem;
    m_state.recordFilesReadable = !m_state.windowsDir.isEmpty();
    lblpunti->setCaption(QString());
    lblnome->setCaption(QString());
    if (m_state.recordFilesReadable) {
        const QString unshared = m_services.system->shareRecords([this, &problem] { readRecord(problem); });
        if (!unshared.isEmpty() && problem.isEmpty()) {
            problem = QStringLiteral("Non riesco a leggere il file dei record %1: %2.")
                          .arg(recordPath(Records::ScoreFileName), unshared);
            m_state.recordFilesReadable = false;
        }
    }
    if (!problem.isEmpty())
        m_services.dialogs->showMessage(problem + QLatin1Char('\n') + Texts::PlayAnyway);

    // The seconds counter starts at 900 although the display shows five
    // minutes; the farewell shows what is left of it (600 when time is up).
    m_state.clock.remainingSeconds = qint16(qRound(m_state.clock.seconds) + 900);
    lblconto->setCaption(Clock::display(m_state.clock));

    // The clock runs only from here: a message about the record files may
    // stay open as long as the player needs to read it, and must not eat
    // into the five minutes.
    Timer1->start();
    m_activationPending = true;
    m_firstQuestion = true;
}

void Tavola::Form_Activate()
{
    cmdNext_Click();
    m_bandsFollowSize = true;
}

void Tavola::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_activationPending) {
        m_activationPending = false;
        Form_Activate();
    }
}

void Tavola::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Once minimised, the caption says what the game is about; restoring
    // the window keeps it.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        setWindowTitle(Texts::MinimisedCaption);
}

bool Tavola::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == client && event->type() == QEvent::Resize) {
        fitDesignToClient();
        if (m_bandsFollowSize)
            paintBackground();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tavola::ResetClock()
{
    // Five minutes on the clock. The timer that counts them down starts at
    // the end of the start-up sequence, once its last message has closed.
    Clock::reset(m_state.clock);
}

QString Tavola::GetSystemDir()
{
    QString error;
    const QString folder = m_services.system->recordFolder(&error);
    if (folder.isEmpty()) {
        m_services.dialogs->showMessage(
            QStringLiteral("Non riesco a usare la cartella dei record: %1.\n%2").arg(error, Texts::PlayAnyway));
    }
    return folder;
}

QString Tavola::recordPath(const QString &fileName) const
{
    return m_state.windowsDir + fileName;
}

QString Tavola::Leggifiletxt(const QString &fileName, QString &problem)
{
    if (!m_state.recordFilesReadable)
        return QString();
    const Records::ReadResult read = Records::readText(recordPath(fileName));
    if (!read.error.isEmpty()) {
        problem = QStringLiteral("Non riesco a leggere il file dei record %1: %2.")
                      .arg(recordPath(fileName), read.error);
        m_state.recordFilesReadable = false;
    }
    return read.text;
}

void Tavola::readRecord(QString &problem)
{
    const Records::FolderLock lock(m_state.windowsDir);
    if (!lock.error().isEmpty()) {
        problem = QStringLiteral("Non riesco a leggere il file dei record %1: %2.")
                      .arg(recordPath(Records::ScoreFileName), lock.error());
        m_state.recordFilesReadable = false;
    }
    for (const QString &fileName : {Records::ScoreFileName, Records::HolderFileName}) {
        if (!m_state.recordFilesReadable)
            break;
        const QString error = Records::ensureExists(recordPath(fileName));
        if (!error.isEmpty()) {
            problem = QStringLiteral("Non riesco a creare il file dei record %1: %2.")
                          .arg(recordPath(fileName), error);
            m_state.recordFilesReadable = false;
        }
    }
    lblpunti->setCaption(Leggifiletxt(Records::ScoreFileName, problem));
    lblnome->setCaption(Leggifiletxt(Records::HolderFileName, problem));
}

void Tavola::PlayWave(const QString &relativePath)
{
    m_services.sound->playWave(m_services.system->programFolder() + QLatin1Char('/') + relativePath);
}

void Tavola::cmdNext_Click()
{
    m_bandsFollowSize = false;
    RandomSource &random = *m_services.random;
    m_state.shadeLevel = Quiz::shadeFromDraw(random.next());
    lblMessage->setCaption(QString());

    random.reseed();
    const double first = random.next();
    const double second = random.next(); // drawn every time, used only after a 0
    const qint16 multiplier = Quiz::multiplierFromDraws(first, second);
    lblNum1->setCaption(formatNumber(Quiz::Multiplicand, QStringLiteral("#0")));
    lblNum2->setCaption(formatNumber(multiplier, QStringLiteral("#0")));
    m_state.answer = qint16(multiplier * Quiz::Multiplicand);
    m_state.answerJudged = false;

    // The question is said as the answer box takes the focus. The box is
    // emptied only once the focus is in it: a reader that first sees its
    // caret move, the focus already there, turns to it silently and then
    // says nothing when told of the focus.
    // The first question of a game also tells of F2.
    const QString question = QStringLiteral("Quanto fa %1 per %2? Scrivi il risultato e premi Invio.%3")
                                 .arg(lblNum1->text(), lblNum2->text(), m_firstQuestion ? Texts::AboutF2 : QString());
    m_services.speech->sayWithFocus(txtAnswer, question);
    m_firstQuestion = false;
    cmdNext->setEnabled(false);
    paintBackground();
    txtAnswer->setFocus();
    txtAnswer->clear();
}

void Tavola::paintBackground()
{
    client->setBands(client->size(), devicePixelRatioF(), m_state.shadeLevel);
}

void Tavola::giveTurnToNext()
{
    // The judgement is said with the button as it takes the focus.
    m_services.speech->sayWithFocus(cmdNext, lblMessage->text());
    cmdNext->setEnabled(true);
    cmdNext->setFocus();
}

void Tavola::txtAnswer_KeyPress(int &keyAscii)
{
    m_bandsFollowSize = false;
    switch (Quiz::filterKey(keyAscii)) {
    case Quiz::KeyAction::Pass:
        return;
    case Quiz::KeyAction::Drop:
        keyAscii = 0;
        return;
    case Quiz::KeyAction::Judge:
        break;
    }

    // An answer counts once: pressing Enter again before the next question
    // must not add to the score.
    if (m_state.answerJudged)
        return;
    m_state.answerJudged = true;

    if (!Quiz::isRightAnswer(txtAnswer->text(), m_state.answer)) {
        m_state.wrongCount = incrementSaturating(m_state.wrongCount);
        lblMessage->setCaption(Texts::Wrong + formatNumber(m_state.answer, QStringLiteral("####0")));
        PlayWave(Texts::WrongSound);
        client->clearTo(Qt::black);
        lblScore1->setCaption(formatNumber(m_state.wrongCount, QStringLiteral("###0")));
    } else {
        m_state.correctCount = incrementSaturating(m_state.correctCount);
        lblMessage->setCaption(Texts::Right + m_state.playerName + Texts::RightEnd);
        PlayWave(Texts::RightSound);
    }
    lblScore->setCaption(formatNumber(m_state.correctCount, QStringLiteral("####0")));
    const int total = int(m_state.correctCount) + int(m_state.wrongCount);
    lblScore2->setCaption(formatNumber(total, QStringLiteral("####0")));
    giveTurnToNext();
}

void Tavola::Timer1_Timer()
{
    if (m_ending != Ending::None)
        return;
    if (lblconto->text() == Clock::TimeUp) {
        // The clock stops with the end test, so no later tick can start a
        // second ending while the farewell is on screen.
        Timer1->stop();
        EndGame();
        return;
    }
    if (m_state.clock.remainingSeconds > 0) {
        Clock::tick(m_state.clock);
        lblconto->setCaption(Clock::display(m_state.clock));
        const QString spoken = Clock::announcement(m_state.clock);
        if (!spoken.isEmpty())
            announce(spoken);
    }
}

void Tavola::announce(const QString &text)
{
    if (isActiveWindow())
        m_services.speech->say(this, text);
}

void Tavola::announceState()
{
    announce(QStringLiteral("%1. Risposte esatte %2, errate %3, totali %4.")
                 .arg(Clock::timeLeftInWords(m_state.clock), lblScore->text(), lblScore1->text(), lblScore2->text()));
}

void Tavola::EndGame()
{
    m_ending = Ending::Farewell;
    m_services.dialogs->showMessage(Texts::Farewell + QString::number(m_state.clock.remainingSeconds),
                                    Texts::FarewellTitle + m_services.system->todayShort());
    // The desktop may have asked the program to end while the farewell
    // waited, and the record has been seen to then.
    if (m_ending == Ending::Farewell)
        SaveRecordIfBeaten(Tell::Player);
}

void Tavola::cmdExit_Click()
{
    if (m_ending != Ending::None)
        return;
    Timer1->stop();
    SaveRecordIfBeaten(Tell::Player);
}

void Tavola::endRequested()
{
    if (m_ending == Ending::Farewell) {
        SaveRecordIfBeaten(Tell::Nobody);
        return;
    }
    m_ending = Ending::Over;
    m_services.system->terminate();
}

void Tavola::SaveRecordIfBeaten(Tell tell)
{
    m_ending = Ending::Over;
    if (!Records::isBeaten(lblpunti->text(), lblScore->text())) {
        m_services.system->terminate();
        return;
    }

    QString failure;
    if (!m_state.recordFilesReadable) {
        failure = QStringLiteral("Non ho potuto registrare il tuo record: i file dei record "
                                 "non si potevano usare all'inizio del gioco, e il record che "
                                 "contengono non va perso.");
    } else {
        // Score and holder are saved as a pair, so the files never show a
        // score beside the name of someone who did not make it; and only
        // when the score also beats what another copy of the game may have
        // stored since this one read the record.
        Records::SaveResult saved;
        const QString unshared = m_services.system->shareRecords([this, &saved] {
            saved = Records::saveIfBeaten(m_state.windowsDir, lblScore->text(), lblnome1->text());
        });
        if (!unshared.isEmpty())
            saved = {Records::Outcome::Failed, {recordPath(Records::ScoreFileName), unshared}};
        if (saved.outcome == Records::Outcome::NotBeaten) {
            m_services.system->terminate();
            return;
        }
        if (saved.outcome == Records::Outcome::Failed) {
            failure = QStringLiteral("Non ho potuto registrare il tuo record nel file %1: %2.")
                          .arg(saved.failure.path, saved.failure.reason);
        }
    }
    if (tell == Tell::Player)
        m_services.dialogs->showMessage(failure.isEmpty() ? Texts::Congratulation : failure);
    m_services.system->terminate();
}

void Tavola::Next_Click()
{
    Dialogs &dialogs = *m_services.dialogs;
    if (dialogs.askYesNo(Texts::NewContest, Texts::NewContestTitle) == Dialogs::Reply::No)
        return;
    m_state.tableLimitText = dialogs.askText(Texts::TableLimitPrompt);
    if (m_state.tableLimitText.isEmpty())
        dialogs.showMessage(QLatin1Char(' ') + m_state.playerName + Texts::NoLimitChosen);

    // A new contest: the window leaves the screen, every control starts
    // afresh, the start-up dialogs run without the window, and showing it
    // again asks the first question. The counts start at 0 with the labels
    // that show them, so a new player's score holds only their own answers.
    hide();
    m_state.correctCount = 0;
    m_state.wrongCount = 0;
    buildControls();
    Form_Load();
    showMaximized();
}
