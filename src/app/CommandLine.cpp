#include "app/CommandLine.h"

#include "app/Unit1.h"
#include "platform/shellns/Wide.h"
#include "toolkit/StdCtrls.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

namespace app {

namespace {

constexpr char kProgram[] = "dupsweep";

// Qt's usage line names the program after the application object's arguments, which do not
// exist yet when the command line is read.
constexpr char kUsage[] = "Usage: dupsweep [options] [FOLDER]";

const char kDescription[] =
    "Finds identical copies of game replay files (*.rep) in a folder and every\n"
    "folder below it, and deletes all but one copy of each.\n"
    "\n"
    "FOLDER goes into the folder field in place of the text the window starts\n"
    "with; nothing is scanned until the find button is clicked. A folder that\n"
    "does not exist is put there all the same. Use -- before a FOLDER whose\n"
    "name begins with \"-\".";

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Not Qt's own help and version options: they exit the process themselves and add Qt's
    // options, which this program does not pass on.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to put in the folder field."),
                                 QStringLiteral("[FOLDER]"));

    // Through the lossless pair, so that a name that is not UTF-8 comes back byte for byte.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << shellns::PathToText(argv[i]);

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = CommandLine::Action::UsageError;
        line.message = shellns::TextToPath(parser.errorText());
    } else if (parser.isSet(help)) {
        line.action = CommandLine::Action::Help;
        const QString text = parser.helpText();
        line.message = kUsage + shellns::TextToPath(text.mid(text.indexOf(u'\n')));
    } else if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        line.message = std::string(kProgram) + " " DUPSWEEP_VERSION "\n";
    } else if (const QStringList folders = parser.positionalArguments(); folders.size() > 1) {
        line.action = CommandLine::Action::UsageError;
        line.message = "only one FOLDER may be given";
    } else if (!folders.isEmpty()) {
        line.folder = shellns::TextToPath(folders.front());
    }
    return line;
}

int ReportCommandLine(const CommandLine& line)
{
    if (line.action == CommandLine::Action::UsageError) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, line.message.c_str(), kProgram);
        return kExitUsage;
    }
    std::fputs(line.message.c_str(), stdout);
    return 0;
}

std::string NoDisplayReason(const char* platform, const char* x11Display, const char* waylandDisplay)
{
    const auto named = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (named(platform) || named(x11Display) || named(waylandDisplay))
        return {};
    return "no graphical session found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
           "Try it on a virtual screen with xvfb-run, or use dupsweep-cli, which does the same job "
           "without a window.";
}

void ShowStartFolder(const CommandLine& line)
{
    if (line.folder)
        Form1->Edit1->SetText(shellns::PathToText(*line.folder));
}

} // namespace app
