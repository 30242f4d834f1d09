#include "records/recordfiles.h"

#include "platform/numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    result.text = QString::fromLocal8Bit(bytes);
    return result;
}

QString writeLine(const QString &path, const QString &line, const CommitGate &gate)
{
    if (QFileInfo(path).isDir())
        return FolderInTheWay;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reasonFor(file);

    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    // commit() alone can report success on a full disk, since it does not
    // look at a failed flush: check every step before the rename.
    const bool written = file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError;
    if (!written) {
        const QString reason = reasonFor(file);
        file.cancelWriting();
        return reason;
    }
    if (gate && !gate()) {
        file.cancelWriting();
        return QStringLiteral("il salvataggio è stato interrotto");
    }
    if (!file.commit())
        return reasonFor(file);
    return QString();
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
