#pragma once

// A 16 KiB memory file system, mounted for one test and filled on demand:
// a really full disk, which permission bits cannot fake for root.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>

class TinyDisk
{
public:
    // Mounts the disk on a new folder at `path`; mounted() says whether the
    // machine allowed it.
    explicit TinyDisk(const QString &path)
        : m_mountPoint(QFile::encodeName(path))
    {
        m_mounted = QDir().mkdir(path)
            && ::mount("quizzola-test", m_mountPoint.constData(), "tmpfs", 0, "size=16k") == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            ::umount(m_mountPoint.constData());
    }
    TinyDisk(const TinyDisk &) = delete;
    TinyDisk &operator=(const TinyDisk &) = delete;

    bool mounted() const { return m_mounted; }
    // The disk's folder, ending in "/".
    QString folder() const { return QFile::decodeName(m_mountPoint) + QLatin1Char('/'); }

    // Writes a file until not one more byte fits.
    void fill() const
    {
        QFile filler(folder() + QStringLiteral("filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

private:
    QByteArray m_mountPoint;
    bool m_mounted = false;
};
