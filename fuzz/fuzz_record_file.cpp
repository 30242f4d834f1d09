// Feeds arbitrary bytes to the game as the content of a record file, which
// any other program, a damaged disk or a curious child may have written, and
// checks what the game does with it:
//   - reading gives the first 4096 bytes as local 8-bit text, never more
//     than 4096 UTF-16 units, and never an error for an ordinary file;
//   - whatever the record says, a score of 0 never beats it, and a score
//     beats it exactly when the score is larger than the record read
//     leniently (1 and 32767, the extremes of a real game, included);
//   - the file's first line, saved back as the game saves a record, holds
//     exactly that line in local 8-bit followed by CR LF, and reads back as
//     the same text.

#include "platform/numbers.h"
#include "records/recordfiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void fail(const char *rule, const QByteArray &bytes)
{
    const QByteArray shown = bytes.left(200).toPercentEncoding(" +-.");
    std::fprintf(stderr, "\nBROKEN RULE: %s\n  file (%lld bytes, start percent-encoded): %s\n",
                 rule, static_cast<long long>(bytes.size()), shown.constData());
    std::abort();
}

#define CHECK(condition, bytes)                                                          \
    do {                                                                                 \
        if (!(condition))                                                                \
            fail(#condition, (bytes));                                                   \
    } while (false)

// A folder of this process's own under the system's temporary folder
// (/tmp unless TMPDIR says otherwise), removed when the fuzzer ends normally.
const QTemporaryDir &folder()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        auto made = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                    + QStringLiteral("/quizzola-fuzz-XXXXXX"));
        if (!made->isValid()) {
            std::fprintf(stderr, "cannot make a temporary folder: %s\n",
                         qPrintable(made->errorString()));
            std::abort();
        }
        return made;
    }();
    return *dir;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// The text up to the first line end, CR or LF, as the game shows a record.
QString firstLine(const QString &text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
        ++end;
    return text.left(end);
}

void checkScores(const QString &record, const QByteArray &input)
{
    const double value = readNumberLenient(record);
    CHECK(!Records::isBeaten(record, QStringLiteral("0")), input);
    CHECK(!Records::isBeaten(record, QStringLiteral("-1")), input);
    CHECK(Records::isBeaten(record, QStringLiteral("1")) == (1 > value), input);
    CHECK(Records::isBeaten(record, QStringLiteral("32767")) == (32767 > value), input);
    // The score caption as the game writes it may carry blanks around it.
    CHECK(Records::isBeaten(record, QStringLiteral(" 32767 ")) == (32767 > value), input);
    // Beating a record with a low score means beating it with a high one.
    if (Records::isBeaten(record, QStringLiteral("1")))
        CHECK(Records::isBeaten(record, QStringLiteral("32767")), input);
    // Whatever the file holds, used as a score it must not crash anything.
    (void)Records::isBeaten(record, record);
    (void)Records::isBeaten(QString(), record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString recordPath = folder().filePath(Records::ScoreFileName);
    const QString savedPath = folder().filePath(Records::HolderFileName);

    {
        QFile file(recordPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(input) != input.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(recordPath));
            std::abort();
        }
    }

    // Reading.
    const Records::ReadResult read = Records::readText(recordPath);
    CHECK(read.error.isEmpty(), input);
    CHECK(read.text.size() <= Records::MaxReadBytes, input);
    CHECK(read.text == QString::fromLocal8Bit(input.left(Records::MaxReadBytes)), input);

    // Comparing with the score.
    checkScores(read.text, input);

    // Saving the first line back over the previous input's saved file.
    const QString line = firstLine(read.text);
    CHECK(Records::writeLine(savedPath, line).isEmpty(), input);
    const QByteArray saved = bytesOf(savedPath);
    CHECK(saved == line.toLocal8Bit() + "\r\n", input);
    const Records::ReadResult again = Records::readText(savedPath);
    CHECK(again.error.isEmpty(), input);
    if (saved.size() <= Records::MaxReadBytes)
        CHECK(again.text == line + QStringLiteral("\r\n"), input);
    else
        CHECK(again.text == QString::fromLocal8Bit(saved.left(Records::MaxReadBytes)), input);
    // The saved record compares with a score as the line did.
    checkScores(again.text, input);
    CHECK(Records::isBeaten(again.text, QStringLiteral("1")) == Records::isBeaten(line, QStringLiteral("1")),
          input);
    return 0;
}
