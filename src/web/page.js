// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the game in the page and shows its ending. The game's window fills
// #schermo; what it says for screen readers goes to #quizzola-parla.
'use strict';

const quizzolaPage = {
    waiting: document.getElementById('attesa'),
    screen: document.getElementById('schermo'),
    end: document.getElementById('fine'),
    endText: document.getElementById('fine-testo'),
    again: document.getElementById('ancora'),
    live: document.getElementById('quizzola-parla'),
};

// Tells a screen reader `text` through the page's live region: a new
// paragraph each time, which a reader speaks even when the text is the same
// as the one before.
function quizzolaSay(text) {
    const said = document.createElement('p');
    said.textContent = text;
    quizzolaPage.live.replaceChildren(said);
}

// The game has ended (`crashed` false: by its own exit) or stopped: the game
// leaves the page, which says so and offers a new game. Called once.
function quizzolaGameEnded(crashed) {
    const page = quizzolaPage;
    if (!page.end.hidden)
        return;
    if (crashed)
        page.endText.textContent = 'La Quizzola si è fermata per un errore. Ci dispiace!';
    page.waiting.hidden = true;
    page.screen.hidden = true;
    page.end.hidden = false;
    quizzolaSay(page.endText.textContent);
    page.again.focus();
}

quizzolaPage.again.addEventListener('click', () => location.reload());

// Qt leaves main() by unwinding its stack, to go on running in the
// browser's event loop; that is no error.
addEventListener('unhandledrejection', event => {
    if (event.reason === 'unwind')
        event.preventDefault();
});

(async () => {
    const page = quizzolaPage;
    try {
        await qtLoad({
            qt: {
                containerElements: [page.screen],
                entryFunction: window.quizzola_entry,
                onLoaded: () => { page.waiting.hidden = true; },
                onExit: exit => quizzolaGameEnded(exit.crashed),
            },
        });
    } catch (error) {
        console.error(error);
        quizzolaGameEnded(true);
    }
})();

// Once loaded, the page plays offline too (sw.js).
if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('sw.js').catch(error => console.warn('Quizzola offline:', error));
