// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound player, heard: a private PulseAudio daemon plays into a
// null sink whose monitor parec records. The two sounds must reach it; a
// missing or broken file must stay silent and never hold the game up.

#include "platform/pulsesoundplayer.h"
#include "tinydisk.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class RealSoundTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Everything the daemon keeps goes in a folder of the test's own.
        const QString socket = m_dir.filePath(QStringLiteral("native"));
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"})
            qputenv(name, QFile::encodeName(m_dir.path()));
        m_daemon.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                        QStringLiteral("--load=module-null-sink sink_name=nul"),
                        QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket});
        QVERIFY2(m_daemon.waitForStarted(), "pulseaudio is not installed (make test installs it)");
        // Qt Multimedia, pactl and parec find the private daemon through this.
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("info")}) == 0, 15000);
        m_recorder.setStandardOutputFile(m_dir.filePath(QStringLiteral("heard.raw")));
        m_recorder.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("nul.monitor"), QStringLiteral("--raw"),
                                                   QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                                                   QStringLiteral("--rate=44100")});
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > 8820, 10000);
    }
    void cleanupTestCase()
    {
        for (QProcess *process : {&m_recorder, &m_daemon})
            process->kill(), process->waitForFinished();
    }

    void soundsAreHeardAndBadFilesAreNot_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("loud");
        QTest::newRow("right answer") << QStringLiteral(QUIZZOLA_SOURCE_DIR "/suoni/Esatto.wav") << true;
        QTest::newRow("wrong answer") << QStringLiteral(QUIZZOLA_SOURCE_DIR "/suoni/no.wav") << true;
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing.wav")) << false;
        QTest::newRow("not a wave file") << QStringLiteral(QUIZZOLA_SOURCE_DIR "/README.md") << false;
    }
    void soundsAreHeardAndBadFilesAreNot()
    {
        QFETCH(QString, file);
        QFETCH(bool, loud);
        QTest::qWait(700); // the last sound has ended
        const qsizetype from = heard().size();
        m_player.playWave(file);
        // Until a sound peaks far above 1000, or for 1.5 s of recording.
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > from + 132300 || (loud && peak(from) > 1000), 10000);
        QCOMPARE(peak(from) > 1000, loud);
    }

private:
    QByteArray heard() const { return bytesOf(m_dir.filePath(QStringLiteral("heard.raw"))); }
    int peak(qsizetype from) const
    {
        const QByteArray pcm = heard();
        int peak = 0;
        for (qsizetype i = from - from % 2; i + 1 < pcm.size(); i += 2)
            peak = qMax(peak, qAbs(int(qint16(quint8(pcm[i]) | quint8(pcm[i + 1]) << 8))));
        return peak;
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_recorder;
    PulseSoundPlayer m_player;
};

QTEST_GUILESS_MAIN(RealSoundTest)
#include "tst_realsound.moc"
