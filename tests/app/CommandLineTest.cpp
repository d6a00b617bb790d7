// The desktop program's command line: the folder it names reaches the folder field byte for
// byte, options end at "--", and anything else the program does not know is a usage error.
#include "AppWindows.h"

#include "app/CommandLine.h"
#include "app/Resources.h"

#include <QApplication>
#include <QIcon>

#include <vector>

namespace {

using Action = app::CommandLine::Action;

app::CommandLine Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "dupsweep");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return app::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, TakesOneFolderByteForByte)
{
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string folder;
    };
    const Case cases[] = {
        {"a folder that does not exist", {"/no/such/folder"}, "/no/such/folder"},
        {"bytes that are not UTF-8", {"/tmp/caf\xe9 \xff\xfe/r\xc3"}, "/tmp/caf\xe9 \xff\xfe/r\xc3"},
        {"a name beginning with - after --", {"--", "-reverse"}, "-reverse"},
        {"an option's name after --", {"--", "--help"}, "--help"},
        {"a lone -", {"-"}, "-"},
        {"a relative name with spaces", {"my replays"}, "my replays"},
    };
    for (const Case& c : cases) {
        const app::CommandLine line = Parse(c.args);
        EXPECT_EQ(line.action, Action::Run) << c.what;
        EXPECT_EQ(line.folder, c.folder) << c.what;
    }
}

TEST(CommandLine, WithoutArgumentsKeepsTheStoredFolder)
{
    const app::CommandLine line = Parse({});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_FALSE(line.folder.has_value());
}

TEST(CommandLine, RejectsWhatItDoesNotKnow)
{
    struct Case {
        std::vector<std::string> args;
        std::string named; // what the message must name
    };
    const Case cases[] = {
        {{"--bogus"}, "bogus"},
        {{"-x", "/tmp"}, "x"},
        {{"/tmp", "--style=fusion"}, "style"},
        {{"--\xff\xfe"}, "\xff\xfe"},
        {{"/tmp", "/var"}, "only one FOLDER"},
    };
    for (const Case& c : cases) {
        const app::CommandLine line = Parse(c.args);
        EXPECT_EQ(line.action, Action::UsageError) << c.named;
        EXPECT_NE(line.message.find(c.named), std::string::npos) << line.message;
        EXPECT_FALSE(line.folder.has_value()) << c.named;
    }
}

TEST(CommandLine, HelpAndVersionNameTheProgram)
{
    const app::CommandLine help = Parse({"/tmp", "--help"});
    EXPECT_EQ(help.action, Action::Help);
    EXPECT_EQ(help.message.rfind("Usage: dupsweep [options] [FOLDER]\n", 0), 0u) << help.message;
    EXPECT_EQ(Parse({"-h"}).action, Action::Help);

    const app::CommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, Action::Version);
    EXPECT_EQ(version.message, "dupsweep " DUPSWEEP_VERSION "\n");
}

TEST(CommandLine, WithoutADisplayNamesWhyBeforeQtWould)
{
    struct Case {
        const char *platform, *x11, *wayland;
        bool opens;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, false},
        {"", "", "", false},
        {nullptr, ":0", nullptr, true},
        {nullptr, nullptr, "wayland-0", true},
        {"offscreen", nullptr, nullptr, true},
    };
    for (const Case& c : cases) {
        const std::string why = app::NoDisplayReason(c.platform, c.x11, c.wayland);
        EXPECT_EQ(why.empty(), c.opens) << why;
        EXPECT_EQ(why.find("DISPLAY") != std::string::npos, !c.opens) << why;
    }
}

using StartFolder = AppWindows;

TEST_F(StartFolder, GoesIntoTheFolderFieldUnscanned)
{
    const std::string folder = "/tmp/no such \xe9\xff folder";
    app::ShowStartFolder(Parse({folder}));
    EXPECT_EQ(shellns::TextToPath(Form1->Edit1->Text()), folder);
    EXPECT_EQ(Form1->ListView1->RowCount(), 0);
    EXPECT_EQ(Form1->Caption(), kTitle);
}

TEST_F(StartFolder, NoneLeavesTheStoredText)
{
    app::ShowStartFolder(Parse({}));
    EXPECT_EQ(Form1->Edit1->Text(), QStringLiteral("d:\\temp"));
}

TEST_F(StartFolder, WindowsWearTheProgramIconInEverySize)
{
    SetProgramIcon();
    const QList<QSize> sizes = Form1->windowIcon().availableSizes();
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    EXPECT_EQ(Form2->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

} // namespace
