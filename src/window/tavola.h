// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game window. It owns every control and the game's variables, and
// runs the game through the handlers below, one event at a time. The
// outside world (dialogs, sound, random numbers, folders, date, exit) is
// reached only through the services it is given.

#include "window/artwork.h"
#include "window/gamestate.h"

#include <QMainWindow>

class AnswerBox;
class CaptionLabel;
class ClientArea;
class Dialogs;
class PictureButton;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class RandomSource;
class SoundPlayer;
class Speech;
class SystemServices;

// The services a window needs; they must outlive it.
struct Services
{
    Dialogs *dialogs = nullptr;
    SoundPlayer *sound = nullptr;
    Speech *speech = nullptr;
    RandomSource *random = nullptr;
    SystemServices *system = nullptr;
};

namespace Texts {
inline const QString Caption = QStringLiteral("Gioca con la Quizzola");
inline const QString MinimisedCaption = QStringLiteral("Giocare con la tavola pitagorica");
inline const QString NamePrompt = QStringLiteral("Come ti chiami?");
inline const QString GreetingEnd = QStringLiteral(" vediamo se sei un vero campione  ");
inline const QString Right = QStringLiteral("Esatto! ");
inline const QString RightEnd = QStringLiteral(" sei forte!");
inline const QString Wrong = QStringLiteral("Sbagliato!! ");
inline const QString RightSound = QStringLiteral("suoni/Esatto.wav");
inline const QString WrongSound = QStringLiteral("suoni/no.wav");
inline const QString Farewell = QStringLiteral("Ciao a presto. Ore ");
inline const QString FarewellTitle = QStringLiteral("Data ");
inline const QString Congratulation = QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E");
inline const QString NewContest = QStringLiteral("INIZIAMO UNA NUOVA GARA  ?");
inline const QString NewContestTitle = QStringLiteral("INIZIARE NUOVA GARA");
inline const QString TableLimitPrompt = QStringLiteral("Tavola pitagorica fino al numero? ");
inline const QString PlayAnyway =
    QStringLiteral("Si gioca lo stesso, ma il record non potrà essere registrato.");
inline const QString AboutF2 = QStringLiteral(" Premi F2 quando vuoi sapere il tempo che resta e i punti.");
inline const QString NoLimitChosen = QStringLiteral(" siccome non hai scelto arriviamo fino al 10.");
} // namespace Texts

class Tavola : public QMainWindow
{
    Q_OBJECT
public:
    // Builds every control in its initial state; shows nothing yet.
    explicit Tavola(const Services &services, QWidget *parent = nullptr);
    ~Tavola() override;

    // Starts a game: the start-up dialogs, then the window shown maximised,
    // which asks the first question.
    void start();

    const GameState &state() const { return m_state; }

    // The start-up sequence, run while the window is hidden: name prompt,
    // the controls' pictures, greeting, clock, record folder and files,
    // record shown.
    void Form_Load();
    // The window has been shown after a load: the first question.
    void Form_Activate();
    // Asks a new question over freshly painted bands.
    void cmdNext_Click();
    // Every character typed into the answer box, before the box takes it;
    // Enter judges the answer. Setting `keyAscii` to 0 throws the key away.
    void txtAnswer_KeyPress(int &keyAscii);
    // The clock's one-second tick; ends the game on the tick after 00:00:00.
    void Timer1_Timer();
    // The time-up ending: farewell, then the record check.
    void EndGame();
    // The exit button: the record check at once.
    void cmdExit_Click();
    // The menu command "nuovo": asks, then starts a new contest.
    void Next_Click();
    // The desktop asks the program to end (logout, shutdown, a signal).
    // Once the game has ended, with the farewell on screen, a beaten record
    // is saved first, without showing anything more; at any other moment the
    // program ends as when its window is closed, with nothing saved. A save
    // never runs the event loop, so no request can cut it in half.
    void endRequested();
    // F2: a screen reader says the time left and the three counts.
    void announceState();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Every control in its initial state, without its pictures.
    void buildControls();
    // The pictures of the controls made last.
    void showPictures();
    // Draws the design at the largest scale at which all of it fits the
    // client area: every control's box, font and border, and the pictures.
    void fitDesignToClient();
    // The clock's picture, drawn for its box and the screen's density.
    void showClockPicture();
    void buildMenus();
    void describeForScreenReaders();
    void ResetClock();
    QString GetSystemDir();
    // The file's content; a file that cannot be read sets `problem`.
    QString Leggifiletxt(const QString &fileName, QString &problem);
    // Both record files, created empty when missing, read into their
    // captions under the folder's lock; a file that cannot be used sets
    // `problem` and leaves the record unsaved at the end.
    void readRecord(QString &problem);
    void PlayWave(const QString &relativePath);
    // Who hears how the record went: the player, or nobody when the
    // program is ending at the desktop's request.
    enum class Tell { Player, Nobody };
    void SaveRecordIfBeaten(Tell tell);
    // Makes a screen reader say `text` now, without moving the focus or
    // drawing anything; nothing is said while a message box is open.
    void announce(const QString &text);
    void paintBackground();
    void giveTurnToNext();
    QString recordPath(const QString &fileName) const;

    Services m_services;
    GameState m_state;
    // Made once, shared by the controls of every contest.
    Artwork::Pictures m_pictures;
    // Each control's box and font size as designed, in pixels at the
    // design's size; the clock picture, whose font is Qt's, has none (-1).
    struct Placed
    {
        QWidget *control = nullptr;
        QRect designed;
        int fontPixels = -1;
    };
    QList<Placed> m_placed;
    // Whether the controls' pictures have been read and shown.
    bool m_picturesShown = false;
    // Set by each load; the first show after it asks the first question.
    bool m_activationPending = false;
    // While the first question of a load waits for its first key, the
    // bands follow the window's size, so a window that the desktop
    // maximises just after showing it is banded to its edges.
    bool m_bandsFollowSize = false;
    // Set by each load; the first question of a game also tells of F2.
    bool m_firstQuestion = false;
    // How far the game has ended: not at all, the farewell waiting for its
    // OK, or over (the record seen to, or the program ending without it).
    // Once it has begun to, nothing can start a second ending.
    enum class Ending { None, Farewell, Over };
    Ending m_ending = Ending::None;

    // The controls, named as the game refers to them.
    ClientArea *client = nullptr;
    QTimer *Timer1 = nullptr;
    AnswerBox *txtAnswer = nullptr;
    PictureButton *cmdNext = nullptr;
    PictureButton *cmdExit = nullptr;
    QPushButton *Command1 = nullptr;
    CaptionLabel *lblpunti = nullptr;
    CaptionLabel *Label13 = nullptr;
    CaptionLabel *lblnome = nullptr;
    CaptionLabel *Label12 = nullptr;
    CaptionLabel *lblnome1 = nullptr;
    CaptionLabel *Label14 = nullptr;
    CaptionLabel *Label5 = nullptr;
    CaptionLabel *lblconto = nullptr;
    CaptionLabel *Label11 = nullptr;
    CaptionLabel *Label3 = nullptr;
    CaptionLabel *Label1 = nullptr;
    CaptionLabel *lblScore2 = nullptr;
    CaptionLabel *lblScore1 = nullptr;
    QLabel *Image1 = nullptr;
    CaptionLabel *lblNum2 = nullptr;
    CaptionLabel *Label4 = nullptr;
    CaptionLabel *Label2 = nullptr;
    CaptionLabel *lblNum1 = nullptr;
    CaptionLabel *lblScore = nullptr;
    CaptionLabel *lblMessage = nullptr;
    CaptionLabel *Label6 = nullptr;
    QMenu *wp = nullptr;
    QAction *v = nullptr;
    QMenu *Ciao = nullptr;
    QAction *a = nullptr;
    QAction *Next = nullptr;
};
