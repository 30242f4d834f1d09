// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two record files: the best score ever reached and the name of the
// player who reached it, one line each, ending in CR LF, in UTF-8 without a
// byte-order mark on every system, so no name is lost to a code page. A
// file that is not UTF-8, as a program of the 8-bit Windows days wrote it,
// is read in the system's local 8-bit encoding.
//
// Two copies of the game may run at once on one account and share the
// files. Each reads the pair, and checks and saves it, only while holding
// the folder's lock (FolderLock), so the record on disk can only grow and
// nobody reads one file of the old pair beside one of the new.

#include <QList>
#include <QLockFile>
#include <QString>

namespace Records {

inline const QString ScoreFileName = QStringLiteral("tavrec9.txt");
inline const QString HolderFileName = QStringLiteral("ntavrec9.txt");
inline const QString LockFileName = QStringLiteral("tavrec9.lock");

// How long a copy of the game waits for another that reads or saves the
// record. Either takes a moment; a lock still held after this long belongs
// to a copy that hangs, and waiting on it would hang this one too.
constexpr int LockWaitMs = 2000;

// At most this much of a record file is read, so a huge or binary file
// cannot stall the start of a game.
constexpr qint64 MaxReadBytes = 4096;

// Creates the file at `path` empty when it is missing; an existing file is
// left untouched. Returns the empty text on success, otherwise an Italian
// reason ("al suo posto c'è una cartella", ...).
QString ensureExists(const QString &path);

struct ReadResult
{
    QString text;  // the file's content, line end included
    QString error; // empty when the file could be read, else an Italian reason
};

// Reads the first MaxReadBytes bytes of the file at `path` as UTF-8 text,
// exactly as stored; bytes that are not UTF-8 (but for a character cut
// short at that limit) make it read in the local 8-bit encoding instead, in
// which bytes that are not valid text become U+FFFD.
// A file that cannot be opened or read gives empty text and a reason.
ReadResult readText(const QString &path);

// One line to store, and the file it replaces.
struct Line
{
    QString path;
    QString text; // stored followed by CR LF
};

// What went wrong with a save; both empty when it succeeded.
struct SaveFailure
{
    QString path;   // the file that could not be written
    QString reason; // an Italian reason
    bool failed() const { return !reason.isEmpty(); }
};

// The lock on the record files of `folder` (ending in "/"), taken by the
// constructor, which waits up to LockWaitMs for it, and held while the
// object lives. A lock left behind by a copy that crashed or was killed is
// taken over: at once when its process is gone, else once it is a second
// old (a live holder keeps a lock for milliseconds, and a system lock on
// the file keeps it safe from takeover meanwhile).
class FolderLock
{
public:
    explicit FolderLock(const QString &folder);
    // Empty while the lock is held; otherwise an Italian reason.
    QString error() const { return m_error; }

private:
    QLockFile m_lock;
    QString m_error;
};

// Replaces the content of every file in `lines` with its line followed by
// CR LF, as one set: either every file gets its new content or every file
// keeps its old one. Each new content is first written to a temporary file
// in the same folder and checked; only when all are ready does each take
// its old file's place, in one rename per file, so a file never holds a
// torn content. Should a later rename fail, the files already replaced get
// their old content back. On failure, says which file and why.
SaveFailure writeLines(const QList<Line> &lines);

enum class Outcome {
    Saved,     // both files hold the new record
    NotBeaten, // the record stored meanwhile is at least as high: nothing written
    Failed,    // nothing written, or every file put back as it was
};

struct SaveResult
{
    Outcome outcome = Outcome::Failed;
    SaveFailure failure; // why, when the outcome is Failed
};

// Saves `score` (a right-answer count as shown) and `holder` in the record
// files of `folder` (ending in "/"), as writeLines() does, when `score`
// beats the record the score file holds now: another copy of the game may
// have raised it since this game read it. A missing score file holds no
// record. The check and the save are made under the folder's lock; when
// the lock cannot be had, or the score file cannot be read, nothing is
// written.
SaveResult saveIfBeaten(const QString &folder, const QString &score, const QString &holder);

// Whether the score shown in the right-answer label beats the record as
// shown in the record label. The record is read leniently (a caption that
// does not begin with a number is a record of 0); the score must be a whole
// number. A tie does not beat the record, and a score of 0 never does.
bool isBeaten(const QString &recordCaption, const QString &scoreCaption);

} // namespace Records
