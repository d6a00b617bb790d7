// The removal moving duplicates into the trash: where a file manager finds them and can put them
// back, and what happens when a file is written to, or its name taken, while it moves.
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/Environment.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
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
    void SetUp() override { ::setenv("XDG_DATA_HOME", tree.Path("home").c_str(), 1); }

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
    testsupport::ScopedEnvironment FSavedHome{"XDG_DATA_HOME"};
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

// Written to through a descriptor opened before, while on its way into the trash: it comes back
// out, with what it holds now, and is reported kept.
TEST_F(RemovalTrash, AFileWrittenToWhileItMovesComesBackOut)
{
    REQUIRE_READ_TRAP();
    const auto path = Put("a.rep", 1);
    Put("b.rep", 1);
    tree.MakeFolder("home/Trash/info");
    tree.MakeFolder("home/Trash/files");
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    testsupport::ReadTrap trap;
    trap.ArmOpenIn(Trash() + "/info", [&] { ASSERT_EQ(::write(writer, "more", 4), 4); });
    const auto result = Run();
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

} // namespace
