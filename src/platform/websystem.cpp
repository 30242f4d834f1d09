// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/websystem.h"

#include "records/recordfiles.h"

#include <QFile>
#include <QStandardPaths>
#include <emscripten.h>
#include <emscripten/html5.h>

namespace {

// Mounts emscripten's IndexedDB file system on `path`, a new folder.
// Returns 0, or an errno value when the folder cannot be made or mounted.
EM_JS(int, mountBrowserStorage, (const char *path), {
    try {
        FS.mkdirTree(UTF8ToString(path));
        FS.mount(IDBFS, {}, UTF8ToString(path));
        return 0;
    } catch (e) {
        return e.errno || 5;
    }
});

// Takes the lock named "quizzola-record", which every tab of the game's
// site shares, waiting at most `waitMs` for a tab holding it. Returns 1 once
// it is held, 0 when the wait ran out. A browser without Web Locks (Safari
// before 15.4) has no second tab to keep out as it loads the folder and
// saves, so the game holds the record alone there.
EM_ASYNC_JS(int, takeRecordLock, (int waitMs), {
    if (!navigator.locks)
        return 1;
    return await new Promise(held => {
        const giveUp = new AbortController();
        const timer = setTimeout(() => giveUp.abort(), waitMs);
        navigator.locks.request("quizzola-record", {signal: giveUp.signal}, () => {
            clearTimeout(timer);
            held(1);
            return new Promise(release => { Module.quizzolaReleaseRecordLock = release; });
        }).catch(() => held(0));
    });
});

EM_JS(void, releaseRecordLock, (), {
    const release = Module.quizzolaReleaseRecordLock;
    Module.quizzolaReleaseRecordLock = null;
    if (release)
        release();
});

// Makes the mounted folders hold what the storage holds (`load` true), or
// the storage hold what the folders hold (`load` false), files added,
// changed and removed alike, in one IndexedDB transaction. Returns the
// empty text, or the browser's reason (a string to free) when it failed.
EM_ASYNC_JS(char *, syncBrowserStorage, (bool load), {
    const failure = await new Promise(done => FS.syncfs(load, done));
    if (!failure)
        return 0;
    return stringToNewUTF8(String(failure.message || failure.name || failure));
});

EM_JS(char *, pageFolder, (), {
    const folder = new URL(".", document.baseURI).href;
    return stringToNewUTF8(folder.endsWith("/") ? folder.slice(0, -1) : folder);
});

// The page says the game has ended, hides the game and offers a new one.
EM_JS(void, showEndOfGame, (), {
    if (typeof quizzolaGameEnded === 'function')
        quizzolaGameEnded();
});

QString takeText(char *text)
{
    const QString result = QString::fromUtf8(text);
    free(text);
    return result;
}

QString storageReason(const QString &reason)
{
    return QStringLiteral("la memoria del browser non si può usare (%1)").arg(reason);
}

} // namespace

QString WebSystem::recordFolder(QString *error)
{
    if (m_folder.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (folder.isEmpty() || mountBrowserStorage(QFile::encodeName(folder).constData()) != 0) {
            if (error)
                *error = storageReason(QStringLiteral("cartella %1").arg(folder));
            return QString();
        }
        m_folder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    }
    return m_folder;
}

QString WebSystem::shareRecords(const std::function<void()> &access)
{
    // Another tab is waited for as long as a copy on the desktop waits for
    // the folder's lock: it holds the lock for the few milliseconds a read
    // or a save takes.
    if (!takeRecordLock(Records::LockWaitMs))
        return QStringLiteral("un'altra pagina del gioco lo sta usando da troppo tempo");
    QString reason = takeText(syncBrowserStorage(true));
    if (reason.isEmpty()) {
        access();
        reason = takeText(syncBrowserStorage(false));
    }
    releaseRecordLock();
    return reason.isEmpty() ? QString() : storageReason(reason);
}

QString WebSystem::programFolder()
{
    return takeText(pageFolder());
}

void WebSystem::terminate()
{
    showEndOfGame();
    emscripten_force_exit(0);
}
