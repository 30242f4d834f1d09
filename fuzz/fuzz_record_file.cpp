// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a record file, as a damaged disk or another program may leave it: read back at most 4 KiB, never beaten
// by a score of 0, and its first line saved back as the game saves a record reads back whole when it fits.

#include "records/recordfiles.h"

#include <QTemporaryFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    QTemporaryFile file; // a name of its own, so parallel jobs do not meet; removed with the object
    if (!file.open() || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    const QString path = file.fileName();
    const Records::ReadResult read = Records::readText(path);
    const QString line = read.text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
    const bool shortLine = line.toUtf8().size() < Records::MaxReadBytes - 1;
    if (!read.error.isEmpty() || read.text.size() > Records::MaxReadBytes
        || Records::isBeaten(read.text, QStringLiteral("0")) || Records::writeLines({{path, line}}).failed()
        || (shortLine && Records::readText(path).text != line + QStringLiteral("\r\n")))
        std::abort();
    return 0;
}
