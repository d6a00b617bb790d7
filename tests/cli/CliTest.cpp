#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "support/ScratchTree.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct InProcessOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a command in-process, as the program would with the given arguments.
InProcessOutcome RunCli(std::vector<std::string> args)
{
    cli::Arguments parsed;
    std::string error;
    EXPECT_TRUE(cli::ParseArguments(args, parsed, error)) << error;
    char* outBuffer = nullptr;
    char* errBuffer = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = ::open_memstream(&outBuffer, &outSize);
    std::FILE* err = ::open_memstream(&errBuffer, &errSize);
    std::atomic<bool> cancel{false};
    InProcessOutcome outcome;
    outcome.status = cli::Run(parsed, {out, err, false}, cancel);
    std::fclose(out);
    std::fclose(err);
    outcome.out.assign(outBuffer, outSize);
    outcome.err.assign(errBuffer, errSize);
    std::free(outBuffer);
    std::free(errBuffer);
    return outcome;
}

// Runs a command in-process with standard output and error on one terminal, progress shown:
// what the terminal received, in order.
std::string RunCliOnTerminal(std::vector<std::string> args)
{
    cli::Arguments parsed;
    std::string error;
    EXPECT_TRUE(cli::ParseArguments(args, parsed, error)) << error;
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* terminal = ::open_memstream(&buffer, &size);
    std::atomic<bool> cancel{false};
    cli::Run(parsed, {terminal, terminal, true}, cancel);
    std::fclose(terminal);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// Runs the real program through the shell; returns its exit status.
int RunProgram(const std::string& arguments)
{
    const int raw = std::system((std::string(DUPSWEEP_CLI) + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Json(std::string_view bytes)
{
    std::string out;
    cli::AppendJsonString(out, bytes);
    return out;
}

TEST(CliArguments, ParsesCommandsOptionsAndFolders)
{
    cli::Arguments parsed;
    std::string error;
    ASSERT_TRUE(cli::ParseArguments({"dedupe", "/x", "--json", "--dry-run"}, parsed, error));
    EXPECT_EQ(parsed.action, cli::Action::Dedupe);
    EXPECT_TRUE(parsed.json);
    EXPECT_TRUE(parsed.dryRun);
    EXPECT_EQ(parsed.folder, "/x");
    ASSERT_TRUE(cli::ParseArguments({"list", "--", "-odd folder"}, parsed, error));
    EXPECT_EQ(parsed.action, cli::Action::List);
    EXPECT_FALSE(parsed.json);
    EXPECT_EQ(parsed.folder, "-odd folder");
    ASSERT_TRUE(cli::ParseArguments({"list", "--help"}, parsed, error));
    EXPECT_EQ(parsed.action, cli::Action::Help);
}

TEST(CliArguments, RejectsWhatItCannotTakeWithAReason)
{
    const std::vector<std::vector<std::string>> wrong{
        {}, {"sweep", "/x"}, {"list"}, {"list", "/a", "/b"}, {"list", "--dry-run", "/x"}, {"list", "-q", "/x"}};
    for (const auto& args : wrong) {
        cli::Arguments parsed;
        std::string error;
        EXPECT_FALSE(cli::ParseArguments(args, parsed, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliJson, KeepsValidUtf8AndEscapesEveryOtherByteLosslessly)
{
    EXPECT_EQ(Json("plain/path.rep"), "\"plain/path.rep\"");
    EXPECT_EQ(Json("Реплеи/🎮.rep"), "\"Реплеи/🎮.rep\"");
    EXPECT_EQ(Json("a\"b\\c\n\t\x01"), "\"a\\\"b\\\\c\\n\\t\\u0001\"");
    EXPECT_EQ(Json("\xff\xfe"), "\"\\udcff\\udcfe\"");
    EXPECT_EQ(Json("\xc0\x80"), "\"\\udcc0\\udc80\""); // overlong
    EXPECT_EQ(Json("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\""); // an encoded surrogate
    EXPECT_EQ(Json("\xf4\x90\x80\x80"), "\"\\udcf4\\udc90\\udc80\\udc80\""); // above U+10FFFF
    EXPECT_EQ(Json("x\xe2\x82"), "\"x\\udce2\\udc82\""); // cut short at the end
    EXPECT_EQ(Json("\xe2\x82\xac"), "\"\xe2\x82\xac\"");
    std::string hex;
    cli::AppendHex(hex, std::string("\x00\x7f\xff", 3));
    EXPECT_EQ(hex, "007fff");
}

class Cli : public testing::Test {
protected:
    std::string Put(const std::string& name, std::string_view first, std::size_t size = 14000, unsigned seed = 0)
    {
        return tree.WriteFile("r/" + name, testsupport::MakeReplay(size, first, "s", {}, seed));
    }
    testsupport::ScratchTree tree;
};

TEST_F(Cli, ListPrintsSizeAndPathInCatalogueOrder)
{
    const auto big = Put("big.rep", "b", 20000);
    const auto small = Put("sub/small.rep", "s", 14000);
    const auto odd = Put("\xff odd.rep", "o", 14000);
    const auto outcome = RunCli({"list", tree.Path("r")});
    EXPECT_EQ(outcome.status, cli::kExitDone);
    EXPECT_EQ(outcome.out, "54\t" + odd + "\n54\t" + small + "\n78\t" + big + "\n");
    EXPECT_EQ(outcome.err, "");
}

TEST_F(Cli, ListAsJsonCarriesFingerprintsErrorsAndFilesTooShortToBeReplays)
{
    Put("a.rep", "AB", 14000);
    // Its first fingerprint is empty, and the record that would stand in for it is missing.
    const auto unread = tree.WriteFile("r/\xff.rep", testsupport::MakeReplay(14000, "", ""));
    const auto tooShort = tree.WriteFile("r/short.rep", testsupport::MakeReplay(13055, "f", "s"));
    const auto outcome = RunCli({"list", "--json", tree.Path("r")});
    EXPECT_EQ(outcome.status, cli::kExitIncomplete);
    const auto expected = "{\"folder\":" + Json(tree.Path("r")) + ",\"replays\":2,\"rows\":[\n{\"name\":\"a.rep\",\"size\":54,"
        "\"path\":" + Json(tree.Path("r/a.rep")) + ",\"fp1\":\"4142\",\"fp2\":\"73\"},\n{\"name\":\"\\udcff.rep\",\"size\":54,"
        "\"path\":" + Json(unread) + ",\"fp1\":\"\",\"fp2\":\"\"}],\n\"errors\":[{\"path\":" + Json(unread)
        + ",\"message\":\"Read beyond end of file\"}],\"read_only\":[],\"too_short\":[" + Json(tooShort)
        + "],\"restored\":[],\"cancelled\":false}\n";
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(outcome.err, "dupsweep-cli: " + unread + ": Read beyond end of file\ndupsweep-cli: " + tooShort
                               + ": too short to be a replay\n");
}

TEST_F(Cli, ReadOnlyReplaysAreNamedButNeitherListedNorCountedAsFailures)
{
    const auto kept = Put("kept.rep", "f");
    tree.SetMode("r/kept.rep", 0444);
    const auto copy = Put("copy.rep", "f");
    tree.SetMode("r/copy.rep", 0444);
    const auto text = RunCli({"list", tree.Path("r")});
    EXPECT_EQ(text.status, cli::kExitDone);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "dupsweep-cli: " + copy + ": read-only, left alone\ndupsweep-cli: " + kept
                            + ": read-only, left alone\n");

    const auto json = RunCli({"dedupe", "--json", tree.Path("r")});
    EXPECT_EQ(json.status, cli::kExitDone);
    EXPECT_NE(json.out.find(",\"read_only\":[" + Json(copy) + "," + Json(kept) + "],"), std::string::npos) << json.out;
    EXPECT_TRUE(tree.Exists("r/kept.rep"));
    EXPECT_TRUE(tree.Exists("r/copy.rep"));
}

// A listing and a dry run change nothing and say where the file would come back to; dedupe brings
// it back. Neither changes the exit status.
TEST_F(Cli, FilesBroughtBackFromAnInterruptedRemovalAreNamedWithoutChangingTheStatus)
{
    const auto hidden = "r/" + testsupport::LeftoverFolderName() + "/a.rep";
    tree.WriteFile(hidden, testsupport::MakeReplay(14000, "f", "s"));
    const auto would = ", where an interrupted removal had left it\n";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"list", tree.Path("r")},
                                                 std::vector<std::string>{"dedupe", "--dry-run", tree.Path("r")}}) {
        const auto text = RunCli(args);
        EXPECT_EQ(text.status, cli::kExitDone) << args[0];
        EXPECT_EQ(text.err, "dupsweep-cli: " + tree.Path("r/a.rep") + ": would be brought back from " + tree.Path(hidden)
                                + would)
            << args[0];
        EXPECT_TRUE(tree.Exists(hidden)) << args[0];
        EXPECT_FALSE(tree.Exists("r/a.rep")) << args[0];
    }
    const auto listed = RunCli({"list", "--json", tree.Path("r")});
    EXPECT_NE(listed.out.find(",\"restored\":[{\"path\":" + Json(tree.Path("r/a.rep")) + ",\"from\":"
                              + Json(tree.Path(hidden)) + ",\"brought_back\":false}],"),
              std::string::npos)
        << listed.out;

    const auto json = RunCli({"dedupe", "--json", tree.Path("r")});
    EXPECT_EQ(json.status, cli::kExitDone);
    EXPECT_NE(json.out.find(",\"restored\":[{\"path\":" + Json(tree.Path("r/a.rep")) + ",\"from\":" + Json(tree.Path(hidden))
                            + ",\"brought_back\":true}],"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(tree.Read("r/a.rep"), testsupport::MakeReplay(14000, "f", "s"));
}

TEST_F(Cli, AFolderThatCannotBeEnteredIsAnError)
{
    const auto outcome = RunCli({"list", tree.Path("missing")});
    EXPECT_EQ(outcome.status, cli::kExitNoFolder);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err,
              "dupsweep-cli: " + tree.Path("missing") + ": not a folder that can be entered (File not found)\n");
}

TEST_F(Cli, DedupeDeletesAndCounts)
{
    const auto a = Put("a.rep", "f");
    const auto b = Put("b.rep", "f");
    Put("c.rep", "f");
    const auto outcome = RunCli({"dedupe", tree.Path("r")});
    EXPECT_EQ(outcome.status, cli::kExitDone);
    EXPECT_EQ(outcome.out, a + "\n" + b + "\n2 duplicates deleted, 28.0 KB freed\n");
    EXPECT_FALSE(tree.Exists("r/a.rep"));
    EXPECT_FALSE(tree.Exists("r/b.rep"));
    EXPECT_TRUE(tree.Exists("r/c.rep"));
}

TEST_F(Cli, DryRunDeletesNothingAndTellsWhatWouldGoAndWhatWouldStay)
{
    const auto a = Put("a.rep", "f");
    Put("b.rep", "f");
    const auto c = Put("c.rep", "g", 14000, 1);
    const auto d = Put("d.rep", "g", 14000, 2);
    const auto text = RunCli({"dedupe", "--dry-run", tree.Path("r")});
    EXPECT_EQ(text.status, cli::kExitIncomplete);
    EXPECT_EQ(text.out, a + "\n1 duplicate would be deleted, 14.0 KB would be freed\n");
    EXPECT_EQ(text.err, "dupsweep-cli: not deleted: " + c + ": Contents differ from " + d + "\n");
    EXPECT_TRUE(tree.Exists("r/a.rep"));

    const auto json = RunCli({"dedupe", "--dry-run", "--json", tree.Path("r")});
    EXPECT_EQ(json.status, cli::kExitIncomplete);
    const auto expected = "{\"folder\":" + Json(tree.Path("r")) + ",\"replays\":4,\"deleted\":[\n" + Json(a)
        + "],\"bytes\":14000,\n\"not_deleted\":[\n{\"path\":" + Json(c) + ",\"reason\":" + Json("Contents differ from " + d)
        + "}],\n\"dry_run\":true,\"trash\":false,\n\"errors\":[],\"read_only\":[],\"too_short\":[],\"restored\":[],"
          "\"cancelled\":false}\n";
    EXPECT_EQ(json.out, expected);
    EXPECT_TRUE(tree.Exists("r/a.rep"));
}

// The sample collection: three files too short to be replays (r01-r03), and identical copies
// (r30/r31, r32/r33/r34). Nothing fails, so both commands end with status 0 and name the three.
TEST_F(Cli, FilesTooShortToBeReplaysAreNamedWithoutFailingTheRun)
{
    const auto source = testsupport::RealReplaysFolder();
    if (source.empty())
        GTEST_SKIP() << "no real replays beside the repository";
    std::string named;
    for (int i = 1; i <= 34; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "r%02d.rep", i);
        const auto path = tree.CopyFile(std::string("r/") + name, source + "/" + name);
        if (i <= 3)
            named += "dupsweep-cli: " + path + ": too short to be a replay\n";
    }
    const auto listed = RunCli({"list", "--json", tree.Path("r")});
    EXPECT_EQ(listed.status, cli::kExitDone);
    EXPECT_EQ(listed.err, named);
    const auto tooShort = ",\"too_short\":[" + Json(tree.Path("r/r01.rep")) + "," + Json(tree.Path("r/r02.rep")) + ","
        + Json(tree.Path("r/r03.rep")) + "],";
    EXPECT_NE(listed.out.find(tooShort), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(",\"replays\":31,"), std::string::npos);

    const auto json = RunCli({"dedupe", "--dry-run", "--json", tree.Path("r")});
    EXPECT_EQ(json.status, cli::kExitDone);
    EXPECT_NE(json.out.find(tooShort), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(",\"replays\":31,"), std::string::npos); // the same key, the same meaning
    EXPECT_NE(json.out.find("],\"bytes\":337877,"), std::string::npos) << json.out; // r30, r32 and r33

    const auto text = RunCli({"dedupe", tree.Path("r")});
    EXPECT_EQ(text.status, cli::kExitDone);
    EXPECT_EQ(text.err, named);
    EXPECT_TRUE(text.out.ends_with("\n3 duplicates deleted, 337.9 KB freed\n")) << text.out;
    EXPECT_FALSE(tree.Exists("r/r30.rep"));
    EXPECT_TRUE(tree.Exists("r/r31.rep"));
    EXPECT_TRUE(tree.Exists("r/r34.rep"));
    EXPECT_TRUE(tree.Exists("r/r01.rep"));
}

// The progress line goes before a deleted path is written, in lines and in JSON alike, so that
// no path is written onto the end of it.
TEST_F(Cli, OnATerminalTheProgressLineIsErasedBeforeEachDeletedPath)
{
    for (const bool json : {false, true}) {
        Put("a.rep", "f");
        Put("b.rep", "f");
        const auto text = RunCliOnTerminal(json ? std::vector<std::string>{"dedupe", "--json", tree.Path("r")}
                                                : std::vector<std::string>{"dedupe", tree.Path("r")});
        const auto progress = text.find("comparing: 0 of 1, 0 deleted");
        ASSERT_NE(progress, std::string::npos) << text;
        EXPECT_EQ(text.find("\r\x1b[K", progress), progress + std::string("comparing: 0 of 1, 0 deleted").size()) << text;
        EXPECT_LT(progress, text.find(tree.Path("r/a.rep"))) << text;
        std::filesystem::remove_all(tree.Path("r"));
    }
}

TEST_F(Cli, TheProgramTakesRelativeFoldersFromTheWorkingDirectory)
{
    Put("a.rep", "f");
    const auto listing = tree.Path("listing.txt");
    const int raw = std::system(("cd '" + tree.Root() + "' && " + DUPSWEEP_CLI + " list r > listing.txt").c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), cli::kExitDone);
    EXPECT_EQ(tree.Read("listing.txt"), "54\t" + tree.Path("r/a.rep") + "\n");
}

TEST_F(Cli, TheProgramExitsWithItsDocumentedCodes)
{
    EXPECT_EQ(RunProgram("--help"), cli::kExitDone);
    EXPECT_EQ(RunProgram(""), cli::kExitUsage);
    EXPECT_EQ(RunProgram("list --bogus /"), cli::kExitUsage);
    EXPECT_EQ(RunProgram("list '" + tree.Path("missing") + "'"), cli::kExitNoFolder);
}

} // namespace
