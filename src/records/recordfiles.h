// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two record files: the best score ever reached and the name of the
// player who reached it, one line each, ending in CR LF, in the system's
// local 8-bit encoding (UTF-8 on Linux), without a byte-order mark.

#include <QString>
#include <QList>

namespace Records {

inline const QString ScoreFileName = QStringLiteral("tavrec9.txt");
inline const QString HolderFileName = QStringLiteral("ntavrec9.txt");

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

// Reads the first MaxReadBytes bytes of the file at `path` as local 8-bit
// text, exactly as stored (bytes that are not valid text become U+FFFD).
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

// Replaces the content of every file in `lines` with its line followed by
// CR LF, as one set: either every file gets its new content or every file
// keeps its old one. Each new content is first written to a temporary file
// in the same folder and checked; only when all are ready does each take
// its old file's place, in one rename per file, so a file never holds a
// torn content. Should a later rename fail, the files already replaced get
// their old content back. On failure, says which file and why.
SaveFailure writeLines(const QList<Line> &lines);

// Whether the score shown in the right-answer label beats the record as
// shown in the record label. The record is read leniently (a caption that
// does not begin with a number is a record of 0); the score must be a whole
// number. A tie does not beat the record, and a score of 0 never does.
bool isBeaten(const QString &recordCaption, const QString &scoreCaption);

} // namespace Records
