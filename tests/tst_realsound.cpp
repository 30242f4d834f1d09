// Proves that QtSoundPlayer makes real sound, by listening to it.
//
// The test starts a private PulseAudio daemon whose only output is a null
// sink, points this process at it, and records the sink's monitor with parec
// while the player plays. A right-answer sound must show up in the recording
// as clearly non-silent samples; a missing or broken file must leave the
// recording silent. Only when no PulseAudio daemon can be started at all is
// the test skipped.

#include "platform/qtsoundplayer.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

#ifndef QUIZZOLA_SOURCE_DIR
#error "QUIZZOLA_SOURCE_DIR must name the source tree, which holds suoni/"
#endif

namespace {

const QString kSinkName = QStringLiteral("quizzola_test");
constexpr int kSampleRate = 44100;
constexpr int kBytesPerSample = 2; // s16le, one channel

// Samples of a played sound reach at least this; the sounds peak near 16000.
constexpr int kSoundPeak = 1000;
// Samples of a silent recording stay below this; the null sink gives zeros.
constexpr int kSilencePeak = 64;

// Generous limits for things that normally take a fraction of a second.
constexpr int kServerStartMs = 15000;
constexpr int kSoundArrivesMs = 5000;
constexpr int kRecorderStartsMs = 10000;

QString soundPath(const char *name)
{
    return QStringLiteral(QUIZZOLA_SOURCE_DIR "/suoni/") + QLatin1String(name);
}

// Children started by the test end with it, even when it crashes, so no
// daemon or recorder is ever left behind.
void endWithTest(QProcess &process)
{
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#else
    Q_UNUSED(process);
#endif
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// The loudest sample, as an absolute value, of s16le data from byte `from` on.
int peakOf(const QByteArray &pcm, qsizetype from = 0)
{
    from -= from % kBytesPerSample;
    int peak = 0;
    for (qsizetype i = qMax<qsizetype>(from, 0); i + 1 < pcm.size(); i += kBytesPerSample) {
        const auto low = static_cast<quint8>(pcm[i]);
        const auto high = static_cast<quint8>(pcm[i + 1]);
        const auto sample = static_cast<qint16>(static_cast<quint16>(low | (high << 8)));
        peak = qMax(peak, qAbs(static_cast<int>(sample)));
    }
    return peak;
}

qsizetype bytesFor(double seconds)
{
    return static_cast<qsizetype>(seconds * kSampleRate) * kBytesPerSample;
}

} // namespace

class TestRealSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void soundIsHeard_data();
    void soundIsHeard();
    void badFileStaysSilent_data();
    void badFileStaysSilent();
    void serverGoneNeverBlocks();

private:
    void startRecording();
    QByteArray recording() const;
    bool recordingEndsInSilence(double seconds) const;

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_recorder;
    QString m_recordingFile;
    int m_recordings = 0;
    std::unique_ptr<QtSoundPlayer> m_player;
};

void TestRealSound::initTestCase()
{
    QVERIFY2(m_dir.isValid(), qPrintable(m_dir.errorString()));
    QVERIFY2(QFileInfo::exists(soundPath("Esatto.wav")), "suoni/Esatto.wav is missing");
    QVERIFY2(QFileInfo::exists(soundPath("no.wav")), "suoni/no.wav is missing");

    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty())
        QSKIP("No PulseAudio server can be started: the pulseaudio program is not installed.");
    // These come with the daemon's tools; without them nothing can be heard.
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty(),
             "pactl is not installed (package pulseaudio-utils)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty(),
             "parec is not installed (package pulseaudio-utils)");

    // The daemon gets a home, a runtime folder and a configuration folder of
    // its own, so it neither meets nor disturbs any other PulseAudio on the
    // machine. The runtime folder must belong to us and be private.
    const QDir root(m_dir.path());
    for (const char *folder : {"home", "runtime", "config"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    QVERIFY(QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString socket = root.filePath(QStringLiteral("runtime/native"));

    QProcessEnvironment daemonEnvironment = QProcessEnvironment::systemEnvironment();
    daemonEnvironment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    daemonEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    daemonEnvironment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    daemonEnvironment.remove(QStringLiteral("PULSE_SERVER"));
    m_daemon.setProcessEnvironment(daemonEnvironment);
    // The daemon's messages go to a file, where nothing can block on them.
    const QString daemonLog = root.filePath(QStringLiteral("pulseaudio.log"));
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.setStandardOutputFile(daemonLog);
    endWithTest(m_daemon);

    // A user daemon (not the system one, even when the test runs as root)
    // that stays in the foreground as our child, never exits on its own,
    // skips the default script and loads just a null sink and the socket
    // clients reach it through. No shared memory, real-time scheduling or pid
    // file: containers often lack what those need.
    m_daemon.start(pulseaudio,
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("-n"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                    QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                    QStringLiteral("--log-target=stderr"),
                    QStringLiteral("--load=module-null-sink sink_name=%1").arg(kSinkName),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=%1")
                            .arg(socket)});
    if (!m_daemon.waitForStarted(5000))
        QSKIP(qPrintable(QStringLiteral("No PulseAudio server can be started: %1")
                                 .arg(m_daemon.errorString())));

    // Everything this process connects from now on, Qt Multimedia included,
    // goes to the private daemon. This happens before any Qt Multimedia object
    // exists, because Qt reads the server address only once.
    qputenv("PULSE_SERVER", QByteArray("unix:") + QFile::encodeName(socket));
    qputenv("PULSE_COOKIE", QFile::encodeName(root.filePath(QStringLiteral("client-cookie"))));

    bool answered = false;
    QString lastAnswer;
    const QDeadlineTimer deadline(kServerStartMs);
    while (!answered && !deadline.hasExpired()) {
        if (m_daemon.state() == QProcess::NotRunning)
            break;
        QProcess pactl;
        pactl.setProcessChannelMode(QProcess::MergedChannels);
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit
            && pactl.exitCode() == 0) {
            answered = true;
        } else {
            stopProcess(pactl);
            lastAnswer = QString::fromLocal8Bit(pactl.readAll()).trimmed();
            QTest::qWait(100);
        }
    }
    if (!answered) {
        const bool exited = m_daemon.state() == QProcess::NotRunning;
        stopProcess(m_daemon);
        QFile logFile(daemonLog);
        const QString log = logFile.open(QIODevice::ReadOnly)
                ? QString::fromLocal8Bit(logFile.readAll()).trimmed()
                : QString();
        QSKIP(qPrintable(QStringLiteral("No PulseAudio server can be started: %1.\n"
                                        "pactl said: %2\npulseaudio said:\n%3")
                                 .arg(exited ? QStringLiteral("the daemon exited")
                                             : QStringLiteral("the daemon never answered"),
                                      lastAnswer, log)));
    }

    m_player = std::make_unique<QtSoundPlayer>();
}

void TestRealSound::cleanupTestCase()
{
    m_player.reset();
    stopProcess(m_recorder);
    stopProcess(m_daemon);
}

void TestRealSound::cleanup()
{
    stopProcess(m_recorder);
}

// Records the null sink's monitor into a fresh file until cleanup(), and
// returns once samples are arriving and the last of them are silent, so a
// sound from an earlier test cannot leak into this one.
void TestRealSound::startRecording()
{
    m_recordingFile = QDir(m_dir.path()).filePath(QStringLiteral("recording-%1.raw").arg(++m_recordings));
    m_recorder.setStandardOutputFile(m_recordingFile);
    m_recorder.setStandardErrorFile(m_recordingFile + QStringLiteral(".log"));
    endWithTest(m_recorder);
    m_recorder.start(QStringLiteral("parec"),
                     {QStringLiteral("-d"), kSinkName + QStringLiteral(".monitor"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kSampleRate),
                      QStringLiteral("--channels=1"), QStringLiteral("--raw"),
                      QStringLiteral("--latency-msec=20")});
    QVERIFY2(m_recorder.waitForStarted(5000), qPrintable(m_recorder.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(recordingEndsInSilence(0.3),
                              "parec records nothing, or the sink never falls silent",
                              kRecorderStartsMs);
}

QByteArray TestRealSound::recording() const
{
    QFile file(m_recordingFile);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool TestRealSound::recordingEndsInSilence(double seconds) const
{
    const QByteArray pcm = recording();
    const qsizetype tail = bytesFor(seconds);
    return pcm.size() >= tail && peakOf(pcm, pcm.size() - tail) < kSilencePeak;
}

void TestRealSound::soundIsHeard_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("Esatto.wav") << soundPath("Esatto.wav");
    QTest::newRow("no.wav") << soundPath("no.wav");
    // The second time the player takes the sound from its cache.
    QTest::newRow("Esatto.wav again") << soundPath("Esatto.wav");
}

void TestRealSound::soundIsHeard()
{
    QFETCH(QString, file);
    startRecording();
    if (QTest::currentTestFailed())
        return;

    const qsizetype start = recording().size();
    m_player->playWave(file);
    QTRY_VERIFY_WITH_TIMEOUT(peakOf(recording(), start) > kSoundPeak, kSoundArrivesMs);
}

void TestRealSound::badFileStaysSilent_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // empty: the file does not exist

    QTest::newRow("missing file") << QDir(m_dir.path()).filePath(QStringLiteral("missing.wav"))
                                  << QByteArray();
    QTest::newRow("not a wave file") << QDir(m_dir.path()).filePath(QStringLiteral("broken.wav"))
                                     << QByteArray(4096, 'x');
}

void TestRealSound::badFileStaysSilent()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    if (!content.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(content), content.size());
    }
    QVERIFY(QFileInfo::exists(file) == !content.isEmpty());

    // A bad file is no reason for the player to say anything.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

    startRecording();
    if (QTest::currentTestFailed())
        return;

    const qsizetype start = recording().size();
    m_player->playWave(file);
    // Listen for a second and a half of recorded sound after the call.
    QTRY_VERIFY_WITH_TIMEOUT(recording().size() >= start + bytesFor(1.5), kRecorderStartsMs);
    QCOMPARE_LT(peakOf(recording(), start), kSilencePeak);
}

// Runs last, since it ends the daemon: a sound server that goes away while
// the game runs must leave the player silent, never stuck or crashed.
void TestRealSound::serverGoneNeverBlocks()
{
    stopProcess(m_daemon);
    QCOMPARE(m_daemon.state(), QProcess::NotRunning);

    m_player->playWave(soundPath("Esatto.wav"));
    m_player->playWave(soundPath("no.wav"));
    // Give the audio system the chance to notice the loss and fail.
    QTest::qWait(1000);
    m_player->playWave(soundPath("Esatto.wav"));
    m_player->playWave(QDir(m_dir.path()).filePath(QStringLiteral("missing.wav")));
    QTest::qWait(500);
}

QTEST_GUILESS_MAIN(TestRealSound)
#include "tst_realsound.moc"
