// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real random numbers and system services.

#include "platform/services.h"

#include <random>

// A Mersenne Twister, seeded from a high-resolution clock so that two
// questions asked within the same second still get different seeds.
class ClockSeededRandom : public RandomSource
{
public:
    ClockSeededRandom();
    double next() override;
    void reseed() override;

private:
    std::mt19937_64 m_engine;
};

class DesktopSystem : public SystemServices
{
public:
    // The per-user data folder of the program (under XDG_DATA_HOME on Linux).
    QString recordFolder(QString *error) override;
    // The folder of the running program, links resolved.
    QString programFolder() override;
    QString todayShort() override;
    // Ends the process at once with exit code 0; nothing more runs.
    void terminate() override;
};
