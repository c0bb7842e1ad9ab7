#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString builtProgram() { return QDir(QCoreApplication::applicationDirPath()).filePath(u"telvora"_s); }

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (condition())
            return true;
        QTest::qWait(50);
    }
    return condition();
}

// The real program, started in a sandbox of its own: settings, runtime folder (the
// single-instance socket) and temporary folder (the default capture folder) are private.
class RunningProgram
{
public:
    explicit RunningProgram(QString program = builtProgram())
        : m_program(std::move(program))
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "XDG_DATA_HOME"})
            environment.insert(QString::fromLatin1(name), folder(QString::fromLatin1(name)));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        m_process.setProcessEnvironment(environment);
    }

    ~RunningProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QString folder(const QString &name) const
    {
        const QString path = m_sandbox.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    QString captureFolder() const { return QDir(folder(u"TMPDIR"_s)).filePath(u"telvora-captures"_s); }
    QProcess &process() { return m_process; }

    void start(const QStringList &arguments)
    {
        m_process.start(m_program, arguments);
        ASSERT_TRUE(m_process.waitForStarted());
    }

    bool finishes(int timeoutMs = 30000) { return m_process.waitForFinished(timeoutMs); }

    void terminate() { ::kill(pid_t(m_process.processId()), SIGTERM); }

private:
    QTemporaryDir m_sandbox;
    QString m_program;
    QProcess m_process;
};

TEST(InteractiveRun, CaptureWritesBothWindowsAndSigtermWhileIdleQuits)
{
    RunningProgram telvora;
    telvora.start({u"--capture"_s});
    const QString controller = QDir(telvora.captureFolder()).filePath(u"controller.png"_s);
    const QString reader = QDir(telvora.captureFolder()).filePath(u"reader.png"_s);
    // The pictures are written in place: one that exists may still be half written.
    const auto readable = [](const QString &path) { return QFile::exists(path) && !QImage(path).isNull(); };
    ASSERT_TRUE(waitUntil([&] { return readable(controller) && readable(reader); }, 30000))
        << "no capture after launch";

    const QImage panel(controller);
    const QImage document(reader);
    ASSERT_FALSE(panel.isNull());
    ASSERT_FALSE(document.isNull());
    // The console keeps the panel's proportions and its minimum size.
    EXPECT_GE(panel.width(), 365);
    EXPECT_GE(panel.height(), 655);
    EXPECT_NEAR(double(panel.height()) / panel.width(), 1442.0 / 802.0, 2.0 / panel.width());
    EXPECT_GE(document.width(), 530);
    EXPECT_GE(document.height(), 450);

    // The example is saved text and nothing runs: the signal is an ordinary quit.
    telvora.terminate();
    ASSERT_TRUE(telvora.finishes());
    EXPECT_EQ(telvora.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(telvora.process().exitCode(), 0);
    EXPECT_EQ(telvora.process().readAllStandardOutput(), QByteArray());
}

TEST(InteractiveRun, ASecondStartHandsItsFileToTheFirstAndExits)
{
    RunningProgram first;
    first.start({});
    const QString notes = QDir(first.folder(u"files"_s)).filePath(u"notas.txt"_s);
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Notas da reunião.");
    file.close();
    // The first one is listening once its socket exists.
    const QString socket = QDir(first.folder(u"XDG_RUNTIME_DIR"_s)).filePath(u"telvora-%1.socket"_s.arg(::getuid()));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 30000));

    QProcess second;
    second.setProcessEnvironment(first.process().processEnvironment());
    second.start(builtProgram(), {notes});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.process().state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.finishes());
    EXPECT_EQ(first.process().exitCode(), 0);
}

} // namespace
