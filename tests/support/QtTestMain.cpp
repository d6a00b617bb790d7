#include "support/QtTestMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>

#include <cerrno>
#include <vector>

namespace testsupport {

namespace {

std::vector<void (*)()>& StartSteps()
{
    static std::vector<void (*)()> steps;
    return steps;
}

// A runtime folder outlives a run that was killed or aborted (a sanitizer report, a ctest
// timeout): the next run removes those whose process is gone, so none pile up.
void RemoveOrphanedRuntimeFolders()
{
    const QString prefix = QString::fromLatin1(kRuntimeFolderPrefix);
    QDir temp(QDir::tempPath());
    for (const QString& name : temp.entryList({prefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        bool isNumber = false;
        const qint64 pid = name.mid(prefix.size()).section(u'-', 0, 0).toLongLong(&isNumber);
        if (isNumber && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QDir(temp.filePath(name)).removeRecursively();
    }
}

const char*& Platform()
{
    static const char* platform = "offscreen";
    return platform;
}

} // namespace

AtTestStart::AtTestStart(void (*step)())
{
    StartSteps().push_back(step);
}

OnPlatform::OnPlatform(const char* platform)
{
    Platform() = platform;
}

} // namespace testsupport

int main(int argc, char** argv)
{
    // Pixel tests depend on the platform, so the caller's display is never used unless the
    // program is about what only a display shows.
    qputenv("QT_QPA_PLATFORM", testsupport::Platform());
    // The tests expect the program's own words as written: they run in the plain locale, as
    // under CI, whatever the caller's; a test of another language sets it itself.
    qunsetenv("LANGUAGE");
    qputenv("LC_ALL", "C.UTF-8");
    // Qt wants a private runtime folder; the caller's stays untouched, and this one goes with
    // the run (test discovery runs every program too).
    testsupport::RemoveOrphanedRuntimeFolders();
    const QTemporaryDir runtime(QDir::tempPath() + u'/' + QString::fromLatin1(testsupport::kRuntimeFolderPrefix)
                                + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"));
    if (!runtime.isValid()) {
        fprintf(stderr, "cannot make a runtime folder in %s: %s\n", qPrintable(QDir::tempPath()),
                qPrintable(runtime.errorString()));
        return 1;
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const std::unique_ptr<QObject> application = testsupport::MakeTestApplication(argc, argv);
    for (void (*step)() : testsupport::StartSteps())
        step();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
