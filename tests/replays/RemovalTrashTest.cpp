// The removal moving duplicates into the trash: where a file manager finds them and can put them
// back, and what happens when a file is written to, or its name taken, while it moves.
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/Environment.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"
#include "support/ScratchVolume.h"
#include "support/Users.h"

#include <gtest/gtest.h>
#include <linux/capability.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

// What a file manager reads of one trashed file, as the trash layout says: the info file's
// original path (URL-unescaped) and deletion date, and the file under the same name in files/.
struct TrashedFile {
    std::string path;
    std::string date;
    std::string bytes;
    std::string name; // in files/
};

std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

std::vector<TrashedFile> ReadTrash(const std::string& trash)
{
    std::vector<TrashedFile> found;
    if (!std::filesystem::exists(trash + "/info"))
        return found;
    for (const auto& entry : std::filesystem::directory_iterator(trash + "/info")) {
        std::ifstream in(entry.path());
        std::string line;
        TrashedFile file;
        std::getline(in, line);
        EXPECT_EQ(line, "[Trash Info]");
        while (std::getline(in, line)) {
            if (line.starts_with("Path="))
                file.path = Unescape(line.substr(5));
            else if (line.starts_with("DeletionDate="))
                file.date = line.substr(13);
        }
        file.name = entry.path().stem().string();
        std::ifstream bytes(trash + "/files/" + file.name, std::ios::binary);
        EXPECT_TRUE(bytes) << "no file for " << entry.path();
        file.bytes.assign(std::istreambuf_iterator<char>(bytes), {});
        found.push_back(std::move(file));
    }
    return found;
}

class RemovalTrash : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOME", tree.MakeFolder("me").c_str(), 1);
        ::setenv("XDG_DATA_HOME", tree.Path("home").c_str(), 1);
    }

    std::string Put(const std::string& name, unsigned seed)
    {
        return tree.WriteFile("r/" + name, testsupport::MakeReplay(14000, "f" + std::to_string(seed), "s", {}, seed));
    }

    replays::RemovalResult Run(bool dryRun = false)
    {
        replays::Catalogue catalogue;
        EXPECT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
        replays::RemovalOptions options;
        options.dryRun = dryRun;
        options.toTrash = true;
        return replays::RemoveDuplicates(catalogue, options);
    }

    std::string Trash() const { return tree.Path("home/Trash"); }

    testsupport::ScratchTree tree;

private:
    testsupport::ScopedEnvironment FSavedHome{"HOME", "XDG_DATA_HOME"};
};

TEST_F(RemovalTrash, DuplicatesGoToTheHomeTrashWhereAFileManagerFindsThemAndPutsThemBack)
{
    const std::vector<std::string> names{"a.rep", "with space %25.rep", "\xff\xfe.rep"};
    std::map<std::string, std::string> moved; // original path -> bytes
    for (unsigned i = 0; i < names.size(); ++i) {
        const auto path = Put(names[i], i);
        moved[path] = tree.Read("r/" + names[i]);
        if (i != 0)
            Put("\xff\xff\xff" + std::to_string(i) + ".rep", i); // the copy that stays, found last
    }
    // A second file named a.rep goes to the trash too, where the two must lie apart.
    moved[tree.WriteFile("r/sub/a.rep", tree.Read("r/a.rep"))] = tree.Read("r/a.rep");
    tree.WriteFile("r/sub/z.rep", tree.Read("r/a.rep"));

    const auto dry = Run(true);
    EXPECT_FALSE(tree.Exists("home")) << "a dry run makes no trash";
    const auto result = Run();
    EXPECT_EQ(result.deleted, dry.deleted);
    EXPECT_TRUE(result.notDeleted.empty());
    ASSERT_EQ(result.deleted.size(), moved.size());

    const auto trashed = ReadTrash(Trash());
    ASSERT_EQ(trashed.size(), moved.size());
    std::set<std::string> trashNames;
    for (const auto& file : trashed) {
        ASSERT_EQ(moved.count(file.path), 1u) << file.path;
        EXPECT_EQ(file.bytes, moved[file.path]);
        EXPECT_FALSE(tree.Exists(file.path.substr(tree.Root().size() + 1)));
        std::tm when {};
        EXPECT_NE(::strptime(file.date.c_str(), "%Y-%m-%dT%H:%M:%S", &when), nullptr) << file.date;
        EXPECT_LT(std::abs(std::difftime(std::time(nullptr), std::mktime(&when))), 600.0) << "local time";
        trashNames.insert(file.name);
        // Put back as a file manager would: the file to its path, its info gone.
        ASSERT_EQ(::rename((Trash() + "/files/" + file.name).c_str(), file.path.c_str()), 0);
        std::filesystem::remove(Trash() + "/info/" + file.name + ".trashinfo");
    }
    EXPECT_EQ(trashNames.size(), moved.size()) << "two files of one name lie apart in the trash";
    for (const auto& [path, bytes] : moved)
        EXPECT_EQ(tree.Read(path.substr(tree.Root().size() + 1)), bytes);
    for (const auto& entry : std::filesystem::directory_iterator(tree.Path("r")))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".dupsweep-")) << "a private folder stays behind";
}

// Written to through a descriptor opened before, while on its way into the trash, where no lease
// can be had (the file is another user's and the removal lacks CAP_LEASE): it comes back out,
// with what it holds now, and is reported kept.
TEST_F(RemovalTrash, AFileWrittenToWhileItMovesComesBackOut)
{
    REQUIRE_READ_TRAP();
    REQUIRE_ROOT_AND_NOBODY(nobody);
    const auto path = Put("a.rep", 1);
    Put("b.rep", 1);
    testsupport::GiveTree(path, nobody);
    tree.MakeFolder("home/Trash/info");
    tree.MakeFolder("home/Trash/files");
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    testsupport::ReadTrap trap;
    trap.ArmOpenIn(Trash() + "/info", [&] { ASSERT_EQ(::write(writer, "more", 4), 4); });
    replays::RemovalResult result;
    std::thread([&] {
        testsupport::DropCapabilityInThisThread(CAP_LEASE);
        result = Run();
    }).join();
    ::close(writer);
    EXPECT_TRUE(trap.Errors().empty());
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::Rewritten);
    EXPECT_EQ(result.notDeleted[0].other, path);
    EXPECT_EQ(tree.Read("r/a.rep"), tree.Read("r/b.rep") + "more");
    EXPECT_TRUE(ReadTrash(Trash()).empty());
}

// The move into the trash fails, and meanwhile another file took the name: the file comes back
// beside it, and the path reported is where it is.
TEST_F(RemovalTrash, AFileWhoseNameWasTakenComesBackBesideItAndIsReportedWhereItIs)
{
    REQUIRE_READ_TRAP();
    const auto original = tree.Read(Put("a.rep", 1).substr(tree.Root().size() + 1));
    Put("b.rep", 1);
    tree.MakeFolder("home/Trash/info");
    tree.MakeFolder("home/Trash/files");
    testsupport::ReadTrap trap;
    trap.ArmOpenIn(Trash() + "/info", [&] {
        tree.WriteFile("r/a.rep", "newcomer");
        tree.Remove("home/Trash/files");
    });
    const auto result = Run();
    EXPECT_TRUE(trap.Errors().empty());
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::LeftAside);
    EXPECT_EQ(result.notDeleted[0].other, tree.Path("r/a (2).rep"));
    EXPECT_EQ(tree.Read("r/a (2).rep"), original);
    EXPECT_EQ(tree.Read("r/a.rep"), "newcomer");
    EXPECT_TRUE(ReadTrash(Trash()).empty()) << "its info goes with the failed move";
}

// Root with HOME naming another user's home, as under sudo -E: the trash would be made there,
// root's, where the user's own trash calls then fail. Every copy is kept with the reason instead,
// by a dry run as by a real one, and nothing is made or lost.
TEST_F(RemovalTrash, AnotherUsersHomeIsNeverUsed)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    ::setenv("HOME", tree.MakeFolder("alice").c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    testsupport::GiveTree(tree.Path("alice"), nobody);
    Put("a.rep", 1);
    Put("b.rep", 1);
    const auto before = testsupport::FileContentsBelow(tree.Root());
    for (const bool dryRun : {true, false}) {
        const auto result = Run(dryRun);
        EXPECT_TRUE(result.deleted.empty());
        ASSERT_EQ(result.notDeleted.size(), 1u);
        EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::NoTrash);
        EXPECT_EQ(result.notDeleted[0].code, files::kTrashOfAnotherUser) << dryRun;
    }
    EXPECT_EQ(testsupport::FileContentsBelow(tree.Root()), before);
    EXPECT_FALSE(tree.Exists("alice/.local"));
}

// The original path of every file the desktop's trash lists (gio trash --list, on a session bus
// of its own, with the test's HOME and XDG_DATA_HOME); false, with why, when it cannot be asked.
bool DesktopTrashList(std::set<std::string>& paths, std::string& why)
{
    std::FILE* pipe = ::popen("dbus-run-session -- gio trash --list 2>/dev/null", "r");
    if (pipe == nullptr) {
        why = "no shell to run dbus-run-session";
        return false;
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    if (::pclose(pipe) != 0) {
        why = "the desktop's trash cannot be listed here (dbus-run-session, gio and gvfs's trash backend)";
        return false;
    }
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (const auto tab = line.find('\t'); tab != std::string::npos)
            paths.insert(line.substr(tab + 1));
    }
    return true;
}

// Copies on the home's file system, on a volume of their own and on a tmpfs: every copy moved
// shows in the desktop's trash, and the one on the tmpfs, where the desktop keeps no trash, stays.
TEST_F(RemovalTrash, EveryCopyMovedShowsInTheDesktopsTrash)
{
    testsupport::ScratchVolume volume(tree.Path("r/volume"));
    REQUIRE_MOUNTED(volume);
    testsupport::ScratchVolume tmpfs(tree.Path("r/tmpfs"), testsupport::ScratchVolume::Kind::Tmpfs);
    REQUIRE_MOUNTED(tmpfs);
    for (const auto* folder : {"", "volume/", "tmpfs/"}) {
        const auto replay = testsupport::NumberedReplay(static_cast<unsigned>(std::strlen(folder)));
        tree.WriteFile(std::string("r/") + folder + "a.rep", replay);
        tree.WriteFile(std::string("r/") + folder + "b.rep", replay);
    }
    const auto result = Run();
    ASSERT_EQ(result.deleted.size(), 2u);
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_TRUE(result.notDeleted[0].path.starts_with(tmpfs.mount)) << result.notDeleted[0].path;
    EXPECT_EQ(result.notDeleted[0].code, files::kNoTrashOnSystemMount);
    std::set<std::string> listed;
    std::string why;
    if (!DesktopTrashList(listed, why))
        GTEST_SKIP() << why;
    for (const auto& path : result.deleted)
        EXPECT_EQ(listed.count(path), 1u) << path << " is not in the desktop's trash";
}

} // namespace
