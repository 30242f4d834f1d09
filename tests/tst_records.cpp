// The record files: created when missing, read as stored, rewritten whole
// or not at all, and compared with the score the way the game does.

#include "records/recordfiles.h"
#include "tinydisk.h"

#include <QtTest>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void store(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void missingFileIsCreatedEmpty();
    void existingFileIsLeftAlone();
    void folderInTheWayIsReported();
    void readGivesContentAsStored_data();
    void readGivesContentAsStored();
    void readStopsAfterFourKilobytes();
    void unreadableFileIsReported_data();
    void unreadableFileIsReported();
    void writeStoresLineWithCrLf_data();
    void writeStoresLineWithCrLf();
    void writeOverFolderFailsAndChangesNothing();
    void interruptedSaveKeepsOldFile();
    void fullDiskKeepsOldFile();
    void killedSaveLeavesOldOrNewContent();
    void recordIsBeaten_data();
    void recordIsBeaten();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void RecordsTest::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void RecordsTest::missingFileIsCreatedEmpty()
{
    const QString file = path(Records::ScoreFileName);
    QCOMPARE(Records::ensureExists(file), QString());
    QVERIFY(QFile::exists(file));
    QCOMPARE(bytesOf(file), QByteArray());
}

void RecordsTest::existingFileIsLeftAlone()
{
    const QString file = path(Records::ScoreFileName);
    store(file, "12\r\n");
    QCOMPARE(Records::ensureExists(file), QString());
    QCOMPARE(bytesOf(file), QByteArray("12\r\n"));
}

void RecordsTest::folderInTheWayIsReported()
{
    const QString file = path(Records::ScoreFileName);
    QVERIFY(QDir().mkdir(file));
    QVERIFY(Records::ensureExists(file).contains(QStringLiteral("cartella")));
}

void RecordsTest::readGivesContentAsStored_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("read");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("score") << QByteArray("12\r\n") << QStringLiteral("12\r\n");
    QTest::newRow("only line end") << QByteArray("\r\n") << QStringLiteral("\r\n");
    QTest::newRow("accented name") << QByteArray("Nicol\xc3\xb2\r\n") << QString::fromUtf8("Nicolò\r\n");
    QTest::newRow("invalid UTF-8 is replaced") << QByteArray("a\xff" "b") << QString::fromUtf8("a\uFFFDb");
    QTest::newRow("NUL bytes are kept") << QByteArray("1\0" "2", 3) << QString::fromLatin1("1\0" "2", 3);
}

void RecordsTest::readGivesContentAsStored()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, read);
    const QString file = path(Records::HolderFileName);
    store(file, stored);
    const Records::ReadResult result = Records::readText(file);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.text, read);
}

void RecordsTest::readStopsAfterFourKilobytes()
{
    // Ten megabytes of digits: only the beginning is read, quickly.
    const QString file = path(Records::ScoreFileName);
    store(file, QByteArray(10 * 1024 * 1024, '9'));
    const Records::ReadResult result = Records::readText(file);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.text.size(), int(Records::MaxReadBytes));
}

void RecordsTest::unreadableFileIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("dangling link") << "link";
}

void RecordsTest::unreadableFileIsReported()
{
    QFETCH(QString, kind);
    const QString file = path(Records::ScoreFileName);
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(file));
    if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(path(QStringLiteral("nowhere/gone.txt")), file));
    const Records::ReadResult result = Records::readText(file);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.text, QString());
}

void RecordsTest::writeStoresLineWithCrLf_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("score") << "13" << QByteArray("13\r\n");
    QTest::newRow("name") << "Mario" << QByteArray("Mario\r\n");
    QTest::newRow("no name") << "" << QByteArray("\r\n");
    QTest::newRow("blanks kept") << " Anna " << QByteArray(" Anna \r\n");
    QTest::newRow("accents, no BOM") << QString::fromUtf8("Nicolò") << QByteArray("Nicol\xc3\xb2\r\n");
    QTest::newRow("emoji") << QString::fromUtf8("Ada \U0001F600") << QByteArray("Ada \xf0\x9f\x98\x80\r\n");
    QTest::newRow("right to left") << QString::fromUtf8("\u05D3\u05E0\u05D4")
                                   << QByteArray("\xd7\x93\xd7\xa0\xd7\x94\r\n");
}

void RecordsTest::writeStoresLineWithCrLf()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    const QString file = path(Records::HolderFileName);
    store(file, "old content that is longer\r\n");
    QCOMPARE(Records::writeLine(file, line), QString());
    QCOMPARE(bytesOf(file), bytes);
    // Read back as the game will at its next start.
    QCOMPARE(Records::readText(file).text, line + QStringLiteral("\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{Records::HolderFileName});
}

void RecordsTest::writeOverFolderFailsAndChangesNothing()
{
    const QString file = path(Records::ScoreFileName);
    QVERIFY(QDir().mkdir(file));
    QVERIFY(!Records::writeLine(file, QStringLiteral("5")).isEmpty());
    QVERIFY(QFileInfo(file).isDir());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
}

void RecordsTest::interruptedSaveKeepsOldFile()
{
    // The new content is written in full, then the save stops just before
    // it would replace the old file: the old record must survive whole.
    const QString file = path(Records::ScoreFileName);
    store(file, "12\r\n");
    bool reachedCommit = false;
    const QString error = Records::writeLine(file, QStringLiteral("13"), [&] {
        reachedCommit = true;
        return false;
    });
    QVERIFY(reachedCommit);
    QVERIFY(!error.isEmpty());
    QCOMPARE(bytesOf(file), QByteArray("12\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{Records::ScoreFileName});
}

void RecordsTest::fullDiskKeepsOldFile()
{
    // A really full disk: a 16 KiB memory file system filled to the brim.
    TinyDisk disk(m_dir->filePath(QStringLiteral("full")));
    if (!disk.mounted())
        QSKIP("This machine does not let the test mount a small tmpfs, so a full disk cannot be made");
    const QString file = disk.folder() + Records::HolderFileName;
    store(file, "Mario\r\n");
    disk.fill();
    const QString error = Records::writeLine(file, QString(6000, QLatin1Char('N')));
    QVERIFY2(!error.isEmpty(), "a save on a full disk was reported as done");
    QVERIFY(error.contains(QStringLiteral("disco")));
    QCOMPARE(bytesOf(file), QByteArray("Mario\r\n"));
}

void RecordsTest::killedSaveLeavesOldOrNewContent()
{
    // A save can be cut short at any moment by a crash or a power cut.
    // Kill a saving process at random moments: each record file must hold
    // one whole content, never an empty, missing or torn one.
    const QString folder = m_dir->path() + QLatin1Char('/');
    const QSet<QByteArray> scores = {"12\r\n", QByteArray(3000, '7') + "\r\n"};
    const QSet<QByteArray> holders = {"Mario\r\n", QString(3000, QChar(0x00E8)).toUtf8() + "\r\n"};
    QCOMPARE(Records::writeLine(folder + Records::ScoreFileName, QStringLiteral("12")), QString());
    QCOMPARE(Records::writeLine(folder + Records::HolderFileName, QStringLiteral("Mario")), QString());

    const QString saver = QStringLiteral(QUIZZOLA_BINARY_DIR "/record_saver");
    QRandomGenerator random(20261206);
    for (int round = 0; round < 100; ++round) {
        QProcess process;
        process.start(saver, {folder});
        QVERIFY2(process.waitForReadyRead(10000), "the saving process did not start saving");
        QThread::usleep(random.bounded(3000));
        process.kill(); // SIGKILL: no clean-up of any kind
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        const QByteArray score = bytesOf(folder + Records::ScoreFileName);
        const QByteArray holder = bytesOf(folder + Records::HolderFileName);
        QVERIFY2(scores.contains(score), qPrintable(QStringLiteral("round %1: score file holds %2 bytes")
                                                        .arg(round).arg(score.size())));
        QVERIFY2(holders.contains(holder), qPrintable(QStringLiteral("round %1: holder file holds %2 bytes")
                                                          .arg(round).arg(holder.size())));
    }
}

void RecordsTest::recordIsBeaten_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("score");
    QTest::addColumn<bool>("beaten");
    QTest::newRow("no record yet") << "" << "1" << true;
    QTest::newRow("score 0 never") << "" << "0" << false;
    QTest::newRow("lower") << "12\r\n" << "11" << false;
    QTest::newRow("tie") << "12\r\n" << "12" << false;
    QTest::newRow("higher") << "12\r\n" << "13" << true;
    QTest::newRow("damaged record is 0") << "abc" << "1" << true;
    QTest::newRow("leading blanks") << "  12" << "12" << false;
    QTest::newRow("negative record") << "-5" << "1" << true;
    QTest::newRow("negative record, score 0") << "-5" << "0" << false;
    QTest::newRow("huge record") << "99999999999" << "32767" << false;
    QTest::newRow("digits then letters") << "12abc" << "13" << true;
    QTest::newRow("fraction record") << "12.5" << "12" << false;
    QTest::newRow("score not a number") << "" << "abc" << false;
}

void RecordsTest::recordIsBeaten()
{
    QFETCH(QString, record);
    QFETCH(QString, score);
    QFETCH(bool, beaten);
    QCOMPARE(Records::isBeaten(record, score), beaten);
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
