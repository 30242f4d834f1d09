// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/systemservices.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

std::uint64_t clockSeed()
{
    return std::uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

} // namespace

ClockSeededRandom::ClockSeededRandom()
    : m_engine(clockSeed())
{
}

double ClockSeededRandom::next()
{
    // generate_canonical is in [0, 1) by definition, but some libraries can
    // round up to 1.0; a value of 1 is folded back into the range.
    const double value = std::generate_canonical<double, 53>(m_engine);
    return value < 1.0 ? value : 0.0;
}

void ClockSeededRandom::reseed()
{
    m_engine.seed(clockSeed());
}

QString DesktopSystem::recordFolder(QString *error)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty()) {
        if (error)
            *error = QStringLiteral("il sistema non indica una cartella per i dati");
        return QString();
    }
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        if (error)
            *error = QStringLiteral("al posto della cartella %1 c'è un file").arg(folder);
        return QString();
    }
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("non si riesce a creare la cartella %1").arg(folder);
        return QString();
    }
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString DesktopSystem::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString DesktopSystem::todayShort()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

void DesktopSystem::terminate()
{
    std::fflush(nullptr);
    std::_Exit(0);
}
