// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/recordfiles.h"

#include "platform/numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace Records {

namespace {

// An Italian reason for a failed file operation, with the system's own
// words in brackets for whoever has to fix the machine.
QString reasonFor(const QFileDevice &file)
{
    QString reason;
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        reason = QStringLiteral("non ho il permesso di usarlo");
        break;
    case QFileDevice::ResourceError:
        reason = QStringLiteral("il disco è pieno");
        break;
    case QFileDevice::OpenError:
        reason = QStringLiteral("non si riesce ad aprirlo");
        break;
    case QFileDevice::ReadError:
        reason = QStringLiteral("non si riesce a leggerlo");
        break;
    case QFileDevice::WriteError:
        reason = QStringLiteral("non si riesce a scriverlo, forse il disco è pieno");
        break;
    case QFileDevice::RenameError:
        reason = QStringLiteral("non si riesce a sostituire il file vecchio");
        break;
    default:
        reason = QStringLiteral("errore del sistema");
        break;
    }
    const QString system = file.errorString();
    return system.isEmpty() ? reason : reason + QStringLiteral(" (") + system + QLatin1Char(')');
}

const QString FolderInTheWay = QStringLiteral("al suo posto c'è una cartella");

// Writes `bytes` to a temporary file that will replace `file`'s target on
// commit. commit() alone can report success on a full disk, since it does
// not look at a failed flush: every step before the rename is checked.
QString prepare(QSaveFile &file, const QByteArray &bytes)
{
    if (QFileInfo(file.fileName()).isDir())
        return FolderInTheWay;
    if (!file.open(QIODevice::WriteOnly))
        return reasonFor(file);
    if (file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError)
        return QString();
    const QString reason = reasonFor(file);
    file.cancelWriting();
    return reason;
}

} // namespace

QString ensureExists(const QString &path)
{
    if (QFileInfo(path).isDir())
        return FolderInTheWay;
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return reasonFor(file);
    return QString();
}

ReadResult readText(const QString &path)
{
    ReadResult result;
    if (QFileInfo(path).isDir()) {
        result.error = FolderInTheWay;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = reasonFor(file);
        return result;
    }
    const QByteArray bytes = file.read(MaxReadBytes);
    if (file.error() != QFileDevice::NoError) {
        result.error = reasonFor(file);
        return result;
    }
    // A stateful decoder keeps a character cut short at the limit for more
    // bytes that never come, instead of taking it for an error.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    result.text = utf8(bytes);
    if (utf8.hasError())
        result.text = QString::fromLocal8Bit(bytes);
    return result;
}

FolderLock::FolderLock(const QString &folder)
    : m_lock(folder + LockFileName)
{
    m_lock.setStaleLockTime(1000);
    if (m_lock.tryLock(LockWaitMs))
        return;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        m_error = QStringLiteral("un'altra copia del gioco lo sta usando da troppo tempo");
        break;
    case QLockFile::PermissionError:
        m_error = QStringLiteral("non ho il permesso di bloccarlo per usarlo da solo");
        break;
    default:
        m_error = QStringLiteral("non si riesce a bloccarlo per usarlo da solo");
        break;
    }
}

SaveFailure writeLines(const QList<Line> &lines)
{
    // Every new content is written and checked before any file is replaced.
    std::vector<std::unique_ptr<QSaveFile>> files;
    for (const Line &line : lines) {
        files.push_back(std::make_unique<QSaveFile>(line.path));
        const QString reason = prepare(*files.back(), line.text.toUtf8() + "\r\n");
        if (!reason.isEmpty())
            return {line.path, reason};
    }

    // What the files held, to put back should a later rename fail.
    QList<QByteArray> old;
    for (const Line &line : lines) {
        QFile file(line.path);
        old << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }

    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i]->commit())
            continue;
        const SaveFailure failure{lines[int(i)].path, reasonFor(*files[i])};
        for (size_t done = 0; done < i; ++done) {
            QSaveFile restore(lines[int(done)].path);
            if (prepare(restore, old[int(done)]).isEmpty())
                restore.commit();
        }
        return failure;
    }
    return {};
}

SaveResult saveIfBeaten(const QString &folder, const QString &score, const QString &holder)
{
    const QString scorePath = folder + ScoreFileName;
    const FolderLock lock(folder);
    if (!lock.error().isEmpty())
        return {Outcome::Failed, {scorePath, lock.error()}};
    ReadResult stored;
    if (QFileInfo::exists(scorePath))
        stored = readText(scorePath);
    if (!stored.error.isEmpty())
        return {Outcome::Failed, {scorePath, stored.error}};
    if (!isBeaten(stored.text, score))
        return {Outcome::NotBeaten, {}};
    const SaveFailure failure = writeLines({{scorePath, score}, {folder + HolderFileName, holder}});
    return {failure.failed() ? Outcome::Failed : Outcome::Saved, failure};
}

bool isBeaten(const QString &recordCaption, const QString &scoreCaption)
{
    bool isNumber = false;
    const int score = scoreCaption.trimmed().toInt(&isNumber);
    if (!isNumber || score <= 0)
        return false;
    return score > readNumberLenient(recordCaption);
}

} // namespace Records
