// The main every Qt test program shares: Qt gets a private runtime folder that goes with the
// run, and the folders of runs that were killed are cleared by the next one.
#include "support/Eventually.h"
#include "support/QtTestMain.h"
#include "support/ScratchTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::kRuntimeFolderPrefix;

constexpr int kChildRunLimitMs = 120000;

TEST(TestMain, GivesQtAPrivateRuntimeFolderInTheTemporaryFolder)
{
    const QFileInfo runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    ASSERT_TRUE(runtime.isDir());
    EXPECT_EQ(runtime.absoluteDir().canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
    EXPECT_TRUE(runtime.fileName().startsWith(QLatin1String(kRuntimeFolderPrefix)));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(runtime.permissions() & others, QFile::Permissions());
}

TEST(TestMain, AWaitForAConditionThatNeverHoldsFailsTheTest)
{
    EXPECT_FATAL_FAILURE(ASSERT_EVENTUALLY_WITHIN(false, 20), "never came true: false");
}

// The id of a process that has ended.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(TestMain, ARunLeavesNothingBehindAndClearsWhatKilledRunsLeft)
{
    testsupport::ScratchTree temp;
    const std::string prefix = std::string(kRuntimeFolderPrefix);
    const std::string orphan = prefix + std::to_string(EndedProcess()) + "-abcdef";
    const std::string alive = prefix + std::to_string(::getpid()) + "-abcdef";
    temp.WriteFile(orphan + "/socket", "");
    temp.MakeFolder(alive);

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(temp.Root()));
    run.setProcessEnvironment(environment);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=TestMain.GivesQtAPrivateRuntimeFolderInTheTemporaryFolder")});
    ASSERT_TRUE(run.waitForFinished(kChildRunLimitMs));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString();

    // Only the folder of the run still going (this one) is left.
    EXPECT_EQ(QDir(QString::fromStdString(temp.Root())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QString::fromStdString(alive)});
}

} // namespace
