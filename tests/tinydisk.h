#pragma once

// Files for the tests: what a file holds, and a really full disk, which
// permission bits cannot fake for root.

#include <QDir>
#include <QFile>
#include <sys/mount.h>

// The bytes of the file at `path`, or "<missing>".
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A 16 KiB memory file system mounted on a new folder `path` for the
// test's lifetime; mounted() says whether the machine allowed it.
class TinyDisk
{
public:
    explicit TinyDisk(const QString &path)
        : m_path(QFile::encodeName(path))
        , m_mounted(QDir().mkdir(path) && ::mount("quizzola-test", m_path, "tmpfs", 0, "size=16k") == 0)
    {
    }
    ~TinyDisk()
    {
        if (m_mounted)
            ::umount(m_path);
    }
    bool mounted() const { return m_mounted; }
    QString folder() const { return QFile::decodeName(m_path) + QLatin1Char('/'); }

    // Writes a file until not one more byte fits, then frees `spare` bytes.
    void fill(qint64 spare = 0) const
    {
        QFile filler(folder() + QStringLiteral("filler"));
        qint64 written = 0;
        if (m_mounted && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            while (filler.write(QByteArray(512, 'x')) == 512)
                written += 512;
        filler.resize(qMax<qint64>(0, written - spare));
    }

private:
    QByteArray m_path;
    bool m_mounted;
};
