// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files for the tests: what a file holds, and a really full disk, which permission bits cannot fake for root.

#include <QDir>
#include <QFile>
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#else // a memory file system is Linux's: elsewhere no disk is mounted, and the tests that need one skip
inline int mount(const char *, const char *, const char *, unsigned long, const void *) { return -1; }
inline int umount(const char *) { return -1; }
#endif

// The bytes of the file at `path`, or "<missing>".
inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A 16 KiB memory file system on a new folder `path` while the object lives; `mounted` if the machine allowed it.
struct TinyDisk
{
    const QByteArray path;
    const bool mounted =
        QDir().mkdir(QFile::decodeName(path)) && ::mount("quizzola-test", path, "tmpfs", 0, "size=16k") == 0;

    explicit TinyDisk(const QString &folder) : path(QFile::encodeName(folder)) {}
    ~TinyDisk() { if (mounted) ::umount(path); }
    QString folder() const { return QFile::decodeName(path) + u'/'; }

    // Writes a file until not one more byte fits, then frees `spare` bytes.
    void fill(qint64 spare = 0) const
    {
        QFile filler(folder() + QStringLiteral("filler"));
        if (mounted && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            while (filler.write(QByteArray(512, 'x')) == 512) {}
        filler.resize(qMax<qint64>(0, filler.size() - spare));
    }
};
