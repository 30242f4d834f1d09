// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls as designed: names, captions, places, fonts and
// colours. Places and sizes are given in twips, 15 to a pixel at the
// design's size; the whole design is drawn at the largest scale at which it
// fits the client area, centred in the width it does not need.

#include "window/artwork.h"
#include "window/controls.h"
#include "window/designscale.h"
#include "window/tavola.h"

#include <QMenuBar>
#include <QTimer>
#include <algorithm>

namespace {

using Layout::fromTwips;

enum class Family { SansSerif, Arial, ArialBlack, TimesNewRoman };
enum Style { Plain = 0, Bold = 1, Italic = 2 };

// The faces the layout was drawn for, on Windows, which has them (Microsoft
// Sans Serif is MS Sans Serif's outline successor); elsewhere, and on a
// Windows without them (Wine), faces metrically like them, so every caption
// fits its box: Liberation Sans for MS Sans Serif and Arial, Liberation
// Serif for Times New Roman, and the heaviest sans weight for Arial Black.
// Sizes are in pixels at 96 dots per inch at the design's size, and grow
// with it like the layout (the window sets them at its scale). Captions
// are set glyph by glyph, with no kerning or other shaping, as the platform
// the layout was drawn on set them: Latin text needs neither, and the fonts'
// layout tables are then never loaded (a few hundred KiB).
QFont designFont(Family family, double points, int style)
{
    const QString twin = family == Family::TimesNewRoman ? QStringLiteral("Liberation Serif")
                                                          : QStringLiteral("Liberation Sans");
#ifdef Q_OS_WIN
    static const char *const faces[] = {"Microsoft Sans Serif", "Arial", "Arial Black", "Times New Roman"};
    QFont font;
    font.setFamilies({QString::fromLatin1(faces[int(family)]), twin});
#else
    QFont font(twin);
#endif
    font.setStyleHint(family == Family::TimesNewRoman ? QFont::Serif : QFont::SansSerif);
    font.setPixelSize(qRound(points * 96.0 / 72.0));
    if (family == Family::ArialBlack)
        font.setWeight(QFont::Black);
    else
        font.setBold(style & Bold);
    font.setItalic(style & Italic);
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);
const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

struct LabelDesign
{
    CaptionLabel *Tavola::*member;
    const char *name;
    const char *caption;
    int left, top, width, height;
    Family family;
    double points;
    int style;
    QColor text; // invalid: the system's text colour
    QColor box;  // invalid: transparent
    Qt::Alignment alignment;
    bool border;
    bool autoSize;
};

} // namespace

void Tavola::buildControls()
{
    setWindowTitle(Texts::Caption);

    // A fresh client area and menu bar replace the old ones with every
    // control on them. They go at once, so no old control lingers.
    delete takeCentralWidget();
    delete menuWidget();
    client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    client->installEventFilter(this);
    setCentralWidget(client);
    m_placed.clear();
    m_picturesShown = false;
    const auto place = [this](QWidget *control, const QRect &designed) {
        m_placed.append({control, designed, control->font().pixelSize()});
    };

    Timer1 = new QTimer(client);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Tavola::Timer1_Timer);

    // Stacking order is creation order: what is made last lies on top. So
    // the controls are made from the bottom-most up.
    static const LabelDesign labels[] = {
        {&Tavola::Label6, "Label6", "Risposte esatte", 240, 3360, 2565, 495,
         Family::SansSerif, 18, Plain, Cyan, {}, Qt::AlignHCenter, true, true},
        {&Tavola::lblMessage, "lblMessage", "", 1680, 2040, 6615, 615,
         Family::SansSerif, 24, Bold | Italic, Red, {}, Qt::AlignHCenter, false, false},
        {&Tavola::lblScore, "lblScore", "0", 1080, 4080, 555, 885,
         Family::TimesNewRoman, 36, Bold, {}, {}, Qt::AlignHCenter, true, true},
        {&Tavola::lblNum1, "lblNum1", "", 840, 0, 345, 1185,
         Family::Arial, 48, Bold, Blue, Yellow, Qt::AlignHCenter, true, true},
        {&Tavola::Label2, "Label2", "X", 2400, 0, 615, 975,
         Family::Arial, 48, Plain, Yellow, {}, Qt::AlignHCenter, false, false},
        {&Tavola::Label4, "Label4", "=", 5880, 0, 615, 975,
         Family::Arial, 48, Bold, Yellow, {}, Qt::AlignHCenter, false, false},
        {&Tavola::lblNum2, "lblNum2", "", 4155, 0, 345, 1185,
         Family::Arial, 48, Bold, Blue, Yellow, Qt::AlignHCenter, true, true},
        // The clock picture lies among the labels in the stacking order; the
        // row without a label member places it.
        {nullptr, "Image1", nullptr, 480, 1680, 480, 480, {}, 0, 0, {}, {}, {}, false, false},
        {&Tavola::lblScore1, "lblScore1", "0", 4830, 4080, 540, 885,
         Family::TimesNewRoman, 36, Bold, Red, {}, Qt::AlignHCenter, true, true},
        {&Tavola::lblScore2, "lblScore2", "0", 8310, 4080, 555, 885,
         Family::TimesNewRoman, 36, Bold, Blue, {}, Qt::AlignHCenter, true, true},
        {&Tavola::Label1, "Label1", "Risposte errate", 3840, 3360, 2520, 495,
         Family::SansSerif, 18, Plain, Red, {}, Qt::AlignLeft, true, true},
        {&Tavola::Label3, "Label3", "Risposte totali", 7440, 3360, 2340, 495,
         Family::SansSerif, 18, Plain, Blue, {}, Qt::AlignLeft, true, true},
        {&Tavola::Label11, "Label11", "Tempo restante", 0, 1320, 1575, 375,
         Family::SansSerif, 9.75, Plain, Yellow, {}, Qt::AlignLeft, false, false},
        {&Tavola::lblconto, "lblconto", "00.00.00", 0, 2280, 1575, 495,
         Family::ArialBlack, 12, Bold, Yellow, {}, Qt::AlignLeft, true, false},
        {&Tavola::Label5, "Label5", "", 2040, 2160, 6615, 615,
         Family::SansSerif, 24, Bold | Italic, Red, {}, Qt::AlignHCenter, false, false},
        {&Tavola::Label14, "Label14", "Sfidante", 0, 5520, 1425, 420,
         Family::SansSerif, 13.5, Plain, Cyan, {}, Qt::AlignHCenter, true, true},
        {&Tavola::lblnome1, "lblnome1", "", 120, 6480, 165, 420,
         Family::SansSerif, 13.5, Bold, QColor(0, 128, 0), {}, Qt::AlignLeft, true, true},
        {&Tavola::Label12, "Label12", "Il record  è di ", 120, 7560, 2895, 615,
         Family::SansSerif, 24, Plain, Yellow, {}, Qt::AlignLeft, false, false},
        {&Tavola::lblnome, "lblnome", "nome", 3120, 7560, 1275, 555,
         Family::SansSerif, 24, Bold, Yellow, {}, Qt::AlignLeft, false, true},
        {&Tavola::Label13, "Label13", "con punti", 7560, 7560, 1965, 555,
         Family::SansSerif, 24, Plain, Yellow, {}, Qt::AlignLeft, false, true},
        {&Tavola::lblpunti, "lblpunti", "0", 9840, 7560, 270, 555,
         Family::SansSerif, 24, Plain, Yellow, {}, Qt::AlignLeft, false, true},
    };

    for (const LabelDesign &design : labels) {
        if (!design.member) {
            Image1 = new QLabel(client);
            Image1->setObjectName(QString::fromLatin1(design.name));
            Image1->setAlignment(Qt::AlignCenter);
            place(Image1, fromTwips(design.left, design.top, design.width, design.height));
            Image1->setToolTip(QStringLiteral("Clicca sotto di me per impostare il Timer"));
            Image1->setCursor(Qt::ArrowCursor);
            continue;
        }
        auto *label = new CaptionLabel(design.autoSize, client);
        this->*design.member = label;
        label->setObjectName(QString::fromLatin1(design.name));
        label->setText(QString::fromUtf8(design.caption));
        label->setFont(designFont(design.family, design.points, design.style));
        place(label, fromTwips(design.left, design.top, design.width, design.height));
        label->setAlignment(design.alignment | Qt::AlignTop);
        label->setIndent(0);
        QPalette palette = label->palette();
        if (design.text.isValid())
            palette.setColor(QPalette::WindowText, design.text);
        if (design.box.isValid()) {
            palette.setColor(QPalette::Window, design.box);
            label->setAutoFillBackground(true);
        }
        label->setPalette(palette);
        if (design.border) {
            label->setFrameShape(QFrame::Box);
            label->setFrameShadow(QFrame::Plain);
            label->setLineWidth(1);
        }
        label->setCursor(Qt::ArrowCursor);
    }
    lblScore->setToolTip(QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));
    lblMessage->setCursor(Qt::PointingHandCursor);
    Label5->setCursor(Qt::PointingHandCursor);

    const QFont buttonFont = designFont(Family::SansSerif, 8.25, Plain);
    Command1 = new QPushButton(QStringLiteral("Command1"), client);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(buttonFont);
    place(Command1, fromTwips(4680, 5640, 855, 615));

    cmdExit = new PictureButton(QStringLiteral("E&xit"), QColor(192, 0, 192), client);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setFont(designFont(Family::SansSerif, 8.25, Bold));
    place(cmdExit, fromTwips(7680, 5280, 2055, 1095));
    cmdExit->setToolTip(QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
    cmdExit->setCursor(Qt::ArrowCursor);
    connect(cmdExit, &QPushButton::clicked, this, &Tavola::cmdExit_Click);

    cmdNext = new PictureButton(QStringLiteral("&Nuovo calcolo"), QColor(0, 192, 192), client);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setFont(designFont(Family::SansSerif, 8.25, Bold));
    place(cmdNext, fromTwips(4200, 5280, 1815, 1095));
    cmdNext->setToolTip(QStringLiteral("Go"));
    cmdNext->setCursor(Qt::PointingHandCursor);
    cmdNext->setEnabled(false);
    connect(cmdNext, &QPushButton::clicked, this, &Tavola::cmdNext_Click);

    txtAnswer = new AnswerBox(client);
    txtAnswer->setObjectName(QStringLiteral("txtAnswer"));
    txtAnswer->setMaxLength(4);
    // An on-screen keyboard (a tablet's, a phone's) shows its digits.
    txtAnswer->setInputMethodHints(Qt::ImhDigitsOnly);
    txtAnswer->setFont(designFont(Family::Arial, 48, Bold));
    place(txtAnswer, fromTwips(8160, 0, 2775, 1200));
    QPalette answerPalette = txtAnswer->palette();
    answerPalette.setColor(QPalette::Text, Blue);
    answerPalette.setColor(QPalette::Base, QColor(255, 255, 128));
    txtAnswer->setPalette(answerPalette);
    txtAnswer->setToolTip(QStringLiteral("Inserisci il risultato e  premi il tasto  Invio"));
    txtAnswer->keyPress = [this](int &code) { txtAnswer_KeyPress(code); };

    describeForScreenReaders();

    // Tab goes from the exit button to the question button (while it is
    // enabled), the answer box and the hidden Command1; labels and the clock
    // picture take no focus.
    setTabOrder(cmdExit, cmdNext);
    setTabOrder(cmdNext, txtAnswer);
    setTabOrder(txtAnswer, Command1);
    cmdExit->setFocus();

    buildMenus();

    // Drawn at the design's size until the client area has a size of its
    // own; not maximised, the client area is the design's 792 × 554 pixels.
    client->resize(Layout::DesignSize);
    fitDesignToClient();
    resize(Layout::DesignSize.width(), Layout::DesignSize.height() + menuBar()->sizeHint().height());
}

void Tavola::fitDesignToClient()
{
    const Layout::DesignScale scale(client->size());
    for (const Placed &placed : std::as_const(m_placed)) {
        if (placed.fontPixels > 0) {
            QFont font = placed.control->font();
            font.setPixelSize(scale.pixels(placed.fontPixels));
            placed.control->setFont(font);
        }
        placed.control->setGeometry(scale.place(placed.designed));
        if (auto *label = qobject_cast<CaptionLabel *>(placed.control))
            label->rescale(scale);
    }
    txtAnswer->rescale(scale);
    cmdExit->rescale(scale);
    cmdNext->rescale(scale);
    if (m_picturesShown)
        showClockPicture();
}

void Tavola::showClockPicture()
{
    // Square, as designed, though rounding may leave its box a pixel wider.
    const int side = std::min(Image1->width(), Image1->height());
    Image1->setPixmap(m_pictures.picture(QStringLiteral("clock")).pixmap(QSize(side, side), devicePixelRatioF()));
}

void Tavola::showPictures()
{
    m_picturesShown = true;
    client->setCursor(m_pictures.surfacePointer());
    showClockPicture();
    cmdExit->setPictures(m_pictures.picture(QStringLiteral("exit")));
    cmdNext->setPictures(m_pictures.picture(QStringLiteral("next-normal")),
                         m_pictures.picture(QStringLiteral("next-pressed")),
                         m_pictures.picture(QStringLiteral("next-disabled")));
}

void Tavola::describeForScreenReaders()
{
    // Labels whose text changes keep an empty accessible name, so a screen
    // reader is told their new text as their name; what each one is for
    // goes in its description. Static labels are named by their text.
    static const struct { const char *name; const char *description; } changing[] = {
        {"lblNum1", "Moltiplicando: il numero della tabellina"},
        {"lblNum2", "Moltiplicatore: il numero per cui moltiplicare"},
        {"lblMessage", "Esito dell'ultima risposta"},
        {"lblScore", "Risposte esatte"},
        {"lblScore1", "Risposte errate"},
        {"lblScore2", "Risposte totali"},
        {"lblconto", "Tempo restante, in ore, minuti e secondi"},
        {"lblnome1", "Sfidante: il tuo nome"},
        {"lblnome", "Nome di chi detiene il record"},
        {"lblpunti", "Punti del record"},
    };
    for (const auto &label : changing)
        client->findChild<QWidget *>(QString::fromLatin1(label.name))
            ->setAccessibleDescription(QString::fromUtf8(label.description));

    txtAnswer->setAccessibleName(QStringLiteral("Risposta"));
    txtAnswer->setAccessibleDescription(txtAnswer->toolTip());
    Image1->setAccessibleName(QStringLiteral("Sveglia"));
    Image1->setAccessibleDescription(Image1->toolTip());
    cmdNext->setAccessibleDescription(QStringLiteral("Fa una nuova domanda; si può premere dopo aver risposto"));
    cmdExit->setAccessibleDescription(QStringLiteral("Finisce il gioco e registra il record se lo hai battuto"));
    Command1->setAccessibleDescription(QStringLiteral("Pulsante senza funzione, nascosto dietro Nuovo calcolo"));
}

void Tavola::buildMenus()
{
    auto *bar = new QMenuBar(this);
    setMenuBar(bar);

    // The "&" lets the keyboard open each menu (Alt+W, Alt+U).
    wp = bar->addMenu(QStringLiteral("&www.example.org"));
    wp->setObjectName(QStringLiteral("wp"));
    v = wp->addAction(QStringLiteral("Scuola Primaria di Esempio, Borgo Esempio"));
    v->setObjectName(QStringLiteral("v"));

    Ciao = bar->addMenu(QStringLiteral("&Un gioco di Anna Esempio e Luca Esempio"));
    Ciao->setObjectName(QStringLiteral("Ciao"));
    a = Ciao->addAction(QStringLiteral("autori@example.org"));
    a->setObjectName(QStringLiteral("a"));
    Next = Ciao->addAction(QStringLiteral("nuovo"));
    Next->setObjectName(QStringLiteral("Next"));
    // Queued, so the menu has closed before the new contest replaces it.
    connect(Next, &QAction::triggered, this, &Tavola::Next_Click, Qt::QueuedConnection);
}
