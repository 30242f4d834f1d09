// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound player heard on a private PulseAudio null sink: each sound, its cut-off, bad files and servers.

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
        m_daemon.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                      "--disable-shm=yes", "--load=module-null-sink sink_name=nul",
                                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + path("native")});
        qputenv("PULSE_SERVER", socket("native")); // for pactl and parec
        QTRY_VERIFY2_WITH_TIMEOUT(QProcess::execute("pactl", {"info"}) == 0, "no pulseaudio daemon", 15000);
        m_recorder.setStandardOutputFile(path("heard.raw"));
        m_recorder.start("parec", {"-d", "nul.monitor", "--format=s16ne", "--channels=1", "--latency-msec=20"});
        QVERIFY(m_silentServer.listen(path("silent"))); // takes connections, never answers
        // Esatto.wav slowed down to 5 s (4410 frames and 8820 bytes a second in its header), and cut short: damaged.
        const QByteArray wave = bytesOf(sound("Esatto.wav")).replace(24, 8, QByteArray::fromHex("3a11000074220000"));
        QFile longer(path("long.wav"));
        QVERIFY(longer.open(QIODevice::WriteOnly) && longer.write(wave) == wave.size());
        QVERIFY(QFile::copy(sound("Esatto.wav"), path("damaged.wav")) && QFile::resize(path("damaged.wav"), 20000));
    }
    void cleanupTestCase() { for (QProcess *p : {&m_recorder, &m_daemon}) p->kill(), p->waitForFinished(); }
    // Each check starts once the sink's monitor has been recorded silent for 0.1 s.
    void init() { QTRY_VERIFY_WITH_TIMEOUT(heard().size() > 8820 && peak(heard().size() - 8820) == 0, 10000); }
    void soundsAreHeardAndBadFilesAndServersAreNot_data()
    {
        QTest::addColumn<QStringList>("files"); // played in turn, each but the last once heard
        QTest::addColumn<QByteArray>("server"); // the daemon's when empty
        QTest::addColumn<bool>("loud"); // whether the last one is heard
        QTest::newRow("right answer") << QStringList{sound("Esatto.wav")} << QByteArray() << true;
        QTest::newRow("wrong answer") << QStringList{sound("no.wav")} << QByteArray() << true;
        QTest::newRow("same sound again") << QStringList{sound("no.wav"), sound("no.wav")} << QByteArray() << true;
        QTest::newRow("missing file") << QStringList{path("missing.wav")} << QByteArray() << false;
        QTest::newRow("not a wave file") << QStringList{path("heard.raw")} << QByteArray() << false;
        QTest::newRow("damaged wave file") << QStringList{path("damaged.wav")} << QByteArray() << false;
        QTest::newRow("cut off") << QStringList{path("long.wav"), path("missing.wav")} << QByteArray() << false;
        QTest::newRow("no server") << QStringList{sound("Esatto.wav")} << socket("none") << false;
        QTest::newRow("server that never answers") << QStringList{sound("Esatto.wav")} << socket("silent") << false;
    }
    void soundsAreHeardAndBadFilesAndServersAreNot()
    {
        QFETCH(QStringList, files);
        QFETCH(QByteArray, server);
        QFETCH(bool, loud);
        qputenv("PULSE_SERVER", server.isEmpty() ? socket("native") : server);
        PulseSoundPlayer player; // a new one, which connects to that server: the test hangs if it waits for it
        qsizetype from = heard().size();
        for (const QString &file : files.mid(0, files.size() - 1)) {
            player.playWave(file);
            QTRY_VERIFY_WITH_TIMEOUT(peak(from) > 1000, 10000);
            from = heard().size() + 22050; // listened to from a quarter of a second on: time for it to stop
        }
        player.playWave(files.last());
        // Until a sound peaks far above 1000, or for 1.5 s of recording.
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > from + 132300 || (loud && peak(from) > 1000), 10000);
        QCOMPARE(peak(from) > 1000, loud);
    }
private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QString sound(const char *name) { return QUIZZOLA_SOURCE_DIR "/suoni/" + QString::fromLatin1(name); }
    QByteArray socket(const char *name) const { return "unix:" + QFile::encodeName(path(name)); }
    QByteArray heard() const { return bytesOf(path("heard.raw")); }
    int peak(qsizetype from) const // the loudest sample recorded from byte `from` on
    {
        const QByteArray pcm = heard().mid(from - from % 2);
        const auto *begin = reinterpret_cast<const qint16 *>(pcm.constData()), *end = begin + pcm.size() / 2;
        const auto [low, high] = std::minmax_element(begin, end);
        return begin == end ? 0 : qMax(-int(*low), int(*high));
    }
    QTemporaryDir m_dir;
    QProcess m_daemon, m_recorder;
    QLocalServer m_silentServer;
};
QTEST_GUILESS_MAIN(RealSoundTest)
#include "tst_realsound.moc"
