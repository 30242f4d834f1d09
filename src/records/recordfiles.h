#pragma once

// The two record files: the best score ever reached and the name of the
// player who reached it, one line each, ending in CR LF, in the system's
// local 8-bit encoding (UTF-8 on Linux), without a byte-order mark.

#include <QString>
#include <functional>

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

// Called once a file's new content is fully written to its temporary file,
// just before it replaces the old file; returning false abandons the save.
// Lets tests interrupt a save at its most delicate moment.
using CommitGate = std::function<bool()>;

// Replaces the content of the file at `path` with `line` followed by CR LF,
// atomically: the new content goes to a temporary file in the same folder,
// which then takes the old file's place in one rename. At every moment the
// file holds either its old or its new content, whole. Returns the empty
// text on success; otherwise an Italian reason, and the old file is intact.
QString writeLine(const QString &path, const QString &line, const CommitGate &gate = {});

// Whether the score shown in the right-answer label beats the record as
// shown in the record label. The record is read leniently (a caption that
// does not begin with a number is a record of 0); the score must be a whole
// number. A tie does not beat the record, and a score of 0 never does.
bool isBeaten(const QString &recordCaption, const QString &scoreCaption);

} // namespace Records
