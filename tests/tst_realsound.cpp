// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound player heard on a private PulseAudio null sink: sounds as recorded, a restart, bad files and servers.

#include "platform/pulsesoundplayer.h"
#include "tinydisk.h"
#include <QLocalServer>
#include <QtTest>

class RealSoundTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) // the daemon's files: in the test's own
            qputenv(name, QFile::encodeName(m_dir.path()));
        QVERIFY(m_silentServer.listen(path("silent"))); // takes connections, never answers
        // Esatto.wav slowed down to 5 s (4410 frames and 8820 bytes a second in its header), and cut short: damaged.
        const QByteArray wave = bytesOf(sound("Esatto")).replace(24, 8, QByteArray::fromHex("3a11000074220000"));
        QFile longer(path("long.wav"));
        QVERIFY(longer.open(QIODevice::WriteOnly) && longer.write(wave) == wave.size());
        QVERIFY(QFile::copy(sound("Esatto"), path("damaged.wav")) && QFile::resize(path("damaged.wav"), 20000));
    }
    // Each check has a daemon of its own, its null sink in the sounds' format (mono, 16 bits, 44100 Hz: nothing
    // converts them) and with no rewinds (a sound's start is recorded); it starts once the monitor is silent for 0.1 s.
    void init()
    {
        qputenv("PULSE_SERVER", socket("native")); // for pactl and parec
        m_daemon.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                      "--disable-shm=yes", "--load=module-null-sink rate=44100 channels=1 norewinds=1",
                                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + path("native")});
        QTRY_VERIFY2_WITH_TIMEOUT(QProcess::execute("pactl", {"get-default-sink"}) == 0, "no pulseaudio daemon", 15000);
        m_recorder.setStandardOutputFile(path("heard.raw"));
        m_recorder.start("parec", {"-d", "null.monitor", "--format=s16le", "--channels=1", "--latency-msec=20"});
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > 8820 && loudPart(heard().right(8820)).isEmpty(), 10000);
    }
    void cleanup() { for (QProcess *p : {&m_recorder, &m_daemon}) p->terminate(), p->waitForFinished(); }
    // From the last request on, the file's sound is heard as recorded, as long to the sample and with the same samples
    // (not so one handed over at another rate, channel count or sample size), or nothing for a bad file or server.
    void soundsAreHeardAsRecordedAndBadFilesAndServersAreNot_data()
    {
        QTest::addColumn<QStringList>("files"); // played in turn, each but the last once heard; "restart": a new daemon
        QTest::addColumn<QByteArray>("server"); // the daemon's when empty
        QTest::addColumn<bool>("loud"); // whether the last one is heard
        QTest::newRow("same sound again") << QStringList{sound("Esatto"), sound("Esatto")} << QByteArray() << true;
        QTest::newRow("after a restart") << QStringList{sound("no"), "restart", sound("no")} << QByteArray() << true;
        QTest::newRow("not a wave file") << QStringList{path("heard.raw")} << QByteArray() << false;
        QTest::newRow("damaged wave file") << QStringList{path("damaged.wav")} << QByteArray() << false;
        QTest::newRow("cut off") << QStringList{path("long.wav"), path("missing.wav")} << QByteArray() << false;
        QTest::newRow("no server") << QStringList{sound("Esatto")} << socket("none") << false;
        QTest::newRow("server that never answers") << QStringList{sound("Esatto")} << socket("silent") << false;
    }
    void soundsAreHeardAsRecordedAndBadFilesAndServersAreNot()
    {
        QFETCH(QStringList, files);
        QFETCH(QByteArray, server);
        QFETCH(bool, loud);
        qputenv("PULSE_SERVER", server.isEmpty() ? socket("native") : server);
        PulseSoundPlayer player; // a new one, which connects to that server: the test hangs if it waits for it
        for (const QString &file : files.mid(0, files.size() - 1)) {
            const qsizetype from = heard().size();
            if (file == "restart") { // the daemon stops, its recorder with it, and new ones start on the same socket
                cleanup();
                init();
                continue;
            }
            player.playWave(file);
            // Heard, and to its end before a sound to be heard whole; otherwise the next request cuts it off.
            QTRY_VERIFY_WITH_TIMEOUT(!loudPart(heard().mid(from)).isEmpty() && (!loud || quietAtLast()), 10000);
        }
        const qsizetype from = heard().size() + (loud ? 0 : 22050); // a sound cut off: a quarter of a second to stop
        player.playWave(files.last());
        // Until the sound has been heard and 0.1 s of silence after it, or, when none is to be, for 1.5 s.
        QTRY_VERIFY_WITH_TIMEOUT(loud ? !loudPart(heard().mid(from)).isEmpty() && quietAtLast()
                                      : heard().size() > from + 132300, 10000);
        QCOMPARE(loudPart(heard().mid(from)), loud ? loudPart(bytesOf(files.last()).mid(44)) : QList<qint16>());
    }
private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QString sound(const char *name) { return QStringLiteral(QUIZZOLA_SOURCE_DIR "/suoni/%1.wav").arg(name); }
    QByteArray socket(const char *name) const { return "unix:" + QFile::encodeName(path(name)); }
    QByteArray heard() const { return bytesOf(path("heard.raw")); }
    bool quietAtLast() const { return loudPart(heard().right(8820)).isEmpty(); } // for the last 0.1 s recorded
    // The samples of 16-bit little-endian `pcm` from the first that is not silent to the last: none for silence.
    static QList<qint16> loudPart(const QByteArray &pcm)
    {
        QList<qint16> samples;
        for (qsizetype at = 0; at + 1 < pcm.size(); at += 2)
            samples.append(qFromLittleEndian<qint16>(pcm.constData() + at));
        const auto sounding = [](qint16 sample) { return sample != 0; };
        samples.erase(std::find_if(samples.rbegin(), samples.rend(), sounding).base(), samples.end());
        samples.erase(samples.begin(), std::find_if(samples.begin(), samples.end(), sounding));
        return samples;
    }
    QTemporaryDir m_dir;
    QProcess m_daemon, m_recorder;
    QLocalServer m_silentServer;
};
QTEST_GUILESS_MAIN(RealSoundTest)
#include "tst_realsound.moc"
