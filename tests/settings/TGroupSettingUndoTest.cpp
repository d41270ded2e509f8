// A group settings commit under an edit log is one step: undone it gives back exactly the
// libraries and files before it (the same objects, references into them included, and every
// byte a save writes), redone exactly those after it, any number of times; without a log it
// leaves what it leaves under one; and the log goes, done or undone, leaving nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "ElementFingerprint.h"
#include "TempDir.h"
#include "files/TElementDataWriter.h"
#include "files/TLibraryWriter.h"
#include "model/ParamType.h"
#include "model/TEditLog.h"
#include "model/TGroupData.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "settings/TGroupDataSetting.h"
#include "settings/TGroupSettingSwap.h"

namespace tabrix {
namespace {

using test::Sj;

// A save that lands in memory: the bytes a file would hold on disk.
class MemoryWriter : public TFileWriter {
public:
    int CreateUnnamed(const std::string&) override { return kFd; }
    int Link(int, const std::string&) override { return 0; }
    int CreateNew(const std::string&) override { return kFd; }
    ssize_t Write(int, const char* data, std::size_t size) override {
        bytes.append(data, size);
        return static_cast<ssize_t>(size);
    }
    int Sync(int) override { return 0; }
    int Close(int) override { return 0; }
    int Rename(const std::string&, const std::string&) override { return 0; }
    std::string bytes;

private:
    static constexpr int kFd = 987654;  // no descriptor of this process
};

constexpr std::size_t kRef = 1;       // element reference
constexpr std::size_t kGroupRef = 2;  // group reference

// Library lib.ZQL: lib.ZQD holds d1 (two elements), d2, d3 (one each), shown by g1, g2 and g3;
// two.ZQD holds d4 (one element), shown by g4. Library other.ZQL shows its own data and d3.
// d2 refers to d1, d1 to the group g2 and to d4, d4 to d3; three.ZQD on disk is a copy of
// two.ZQD. Both libraries store a batch item naming groups by number.
struct World {
    World() {
        controller.FillNamedNewLibrary(a, dir.File("lib.ZQL"));
        controller.FillNamedNewLibrary(b, dir.File("other.ZQL"));
        AddParameter(kTypeElementRef, "ref");
        AddParameter(kTypeGroupRef, "group");
        libFile = a.Group(0)->GroupData()->Owner();
        TGroupData* d1 = a.Group(0)->GroupData();
        d1->AddElements(2);
        TGroupData* d2 = Show(a, libFile->AddGroupData(), "d2");
        TGroupData* d3 = Show(a, libFile->AddGroupData(), "d3");
        twoFile = controller.AddElementDataFile(std::make_unique<TZQDCtrl>(dir.File("two.ZQD")));
        TGroupData* d4 = Show(a, twoFile->AddGroupData(), "d4");
        d2->AddElements(1);
        d3->AddElements(1);
        d4->AddElements(1);
        d2->At(0)->SetElementRefs(kRef, {d1->At(1)});
        d1->At(0)->SetGroupRefs(kGroupRef, {a.Group(1)});
        d1->At(1)->SetElementRefs(kRef, {d4->At(0)});
        d4->At(0)->SetElementRefs(kRef, {d3->At(0)});
        a.Group(0)->SetConnectGroup(a.Group(2));
        b.AddGroupForGroupData(d3)->SetName(Sj("共有"));
        b.Group(0)->SetConnectGroup(b.Group(1));
        a.BatchList(kBatchTimed).push_back({{"[GroupNo]0,2,3,"}, 1, "a"});
        b.BatchList(kBatchTimed).push_back({{"[GroupNo]1,"}, 1, "b"});
        for (const auto& file : controller.ElementDataFiles())
            if (!file->Path().empty())
                file->SetModified(true), TElementDataWriter(*file, a).Write();
        std::filesystem::copy_file(dir.File("two.ZQD"), dir.File("three.ZQD"));
        a.SetModified(false);
        b.SetModified(false);
    }
    ~World() {
        controller.UnregisterLibrary(b);
        b.SetController(nullptr);
    }

    void AddParameter(std::uint8_t type, const char* code) {
        auto parameter = std::make_unique<TParameter>();
        parameter->SetName(code);
        parameter->SetCode(code);
        parameter->SetType(type);
        a.ParameterFile()->AddParameter(std::move(parameter), true);
    }
    static TGroupData* Show(TZQLCtrl& library, TGroupData* data, const char* name) {
        data->SetName(name);
        library.AddGroupForGroupData(data)->SetName(std::string("g") + name);
        return data;
    }

    test::TempDir dir;
    TTabrixCtrl controller;
    TZQLCtrl a;
    TZQLCtrl b;
    TZQDCtrl* libFile = nullptr;
    TZQDCtrl* twoFile = nullptr;
};

template <typename File>
std::string Saved(File& file, std::function<FileResult(File&, TFileWriter&)> write) {
    const std::uint8_t status = file.Status();
    file.SetModified(true);
    MemoryWriter writer;
    const FileResult result = write(file, writer);
    file.SetStatus(status);
    return "saved " + std::to_string(result) + '\n' + writer.bytes + '\n';
}

std::string Place(const TGroupData* data) {
    if (!data) return "-";
    return (data->Owner() ? data->Owner()->Path() : "?") + ':' + std::to_string(data->Index()) +
           ' ' + data->Name();
}

void DumpLibrary(std::ostream& out, TZQLCtrl& library) {
    out << "library " << library.Path() << ' ' << int(library.Status()) << '\n';
    for (const auto& group : library.Groups()) {
        const TGroupSetting* connect = group->ConnectGroup();
        out << group->Number() << ' ' << group->Name() << ' ' << group->OutputPath() << ' '
            << int(group->Status()) << ' ' << Place(group->GroupData()) << " connect "
            << (connect ? long(connect->Number()) : -1L) << " in " << group->Referrers().Size()
            << '\n';
    }
    for (const TBatchSetting& item : library.BatchList(kBatchTimed))
        out << item.name << ' ' << item.dataLines.at(0) << '\n';
    out << Saved<TZQLCtrl>(
        library, [](TZQLCtrl& l, TFileWriter& w) { return TLibraryWriter(l).Write({}, w); });
}

void DumpFile(std::ostream& out, TZQDCtrl& file, TZQLCtrl& library, bool identities) {
    out << "file " << file.Path() << ' ' << int(file.Status()) << '\n';
    for (const auto& data : file.GroupData()) {
        out << Place(data.get()) << '\n';
        for (const auto& element : data->Elements()) {
            std::ostringstream line;
            test::WriteFingerprint(line, *element);
            const std::string text = line.str();
            out << (identities ? text : text.substr(text.find(' '))) << " in "
                << (element->HasReferrers() ? element->Referrers().Size() : 0) << '\n';
        }
    }
    out << Saved<TZQDCtrl>(file, [&library](TZQDCtrl& f, TFileWriter& w) {
        return TElementDataWriter(f, library).Write({}, w);
    });
}

// Both libraries and every file the controller holds, with the bytes each save would write.
// Without identities it compares two worlds: no addresses, no folder.
std::string Dump(World& world, bool identities = true) {
    std::ostringstream out;
    DumpLibrary(out, world.a);
    DumpLibrary(out, world.b);
    for (const auto& file : world.controller.ElementDataFiles())
        DumpFile(out, *file, world.a, identities);
    if (identities) return out.str();
    std::string text = std::regex_replace(out.str(), std::regex(" n2=[0-9]+"), "");
    const std::string folder = world.dir.File("");
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
        text.erase(at, folder.size());
    return text;
}

// Whether a file the controller lists holds one of data.
bool Shows(World& world, const std::vector<const TGroupData*>& data) {
    for (const auto& file : world.controller.ElementDataFiles())
        for (const auto& held : file->GroupData())
            if (std::find(data.begin(), data.end(), held.get()) != data.end()) return true;
    return false;
}

struct Case {
    const char* name;
    std::function<void(TGroupDataSetting&, World&)> edit;
    bool otherLibraryChanges;
};

void Rename(TGroupDataSetting& s, World&) {
    s.SelectGroup(1);
    auto page = s.Page();
    page.name = Sj("新しい名前");
    page.header = "head";
    s.EditPage(page);
    s.ApplyGroup();
}

void AddWithNewFile(TGroupDataSetting& s, World& w) {
    s.CreateEmptyFile();
    s.SetFilePath(2, w.dir.File("new.ZQD"));
    s.AddGroups(2, "1");
}

void ReadFromDisk(TGroupDataSetting& s, World& w) {
    s.AddFileFromDisk(w.dir.File("three.ZQD"));
    s.CreateGroupsFromData(2, {0});
}

const Case kCases[] = {
    {"RenameGroup", Rename, false},
    {"ReorderGroups", [](auto& s, auto&) { s.MoveGroup(0, 3); }, false},
    {"DeleteDataAnotherLibraryShows", [](auto& s, auto&) { s.DeleteGroupData(0, {2}, true); },
     true},
    // d3 moves up in lib.ZQD: the other library names it by its place.
    {"DeleteReferencedData", [](auto& s, auto&) { s.DeleteGroupData(0, {0}, true); }, true},
    {"AddGroupWithNewFile", AddWithNewFile, false},
    {"MoveDataToAnotherFile", [](auto& s, auto&) { s.MoveGroupDataToFile(0, {1}, 1, true); }, true},
    {"ExcludeReferencedGroup", [](auto& s, auto&) { s.ExcludeGroups({1}, true); }, false},
    {"ExcludeFileReleasesIt", [](auto& s, auto&) { s.ExcludeFile(1, true); }, false},
    {"ReadFileWithReferences", ReadFromDisk, false},
};

class GroupSettingUndo : public ::testing::TestWithParam<Case> {};

TEST_P(GroupSettingUndo, UndoAndRedoGiveBackTheStatesBeforeAndAfter) {
    const Case& c = GetParam();
    std::string plainAfter;
    {
        World world;
        TGroupDataSetting setting(world.a);
        c.edit(setting, world);
        setting.Commit(world.a, world.controller);
        plainAfter = Dump(world, false);
    }
    for (bool undoneAtEnd : {false, true}) {
        World world;
        const std::string before = Dump(world);
        auto owned = std::make_unique<TEditLog>();
        TEditLog& log = *owned;
        const TGroupSettingSwap* step = nullptr;
        {
            TGroupDataSetting setting(world.a);
            c.edit(setting, world);
            TEditLog::Scope scope(log);
            const auto report = setting.Commit(world.a, world.controller);
            ASSERT_TRUE(report.step);
            step = report.step;
            const auto& libraries = report.step->Libraries();
            EXPECT_EQ(c.otherLibraryChanges,
                      std::find(libraries.begin(), libraries.end(), &world.b) != libraries.end());
        }
        log.Finish();
        const std::string after = Dump(world);
        ASSERT_NE(before, after);
        EXPECT_EQ(plainAfter, Dump(world, false)) << "a log changes what the commit does";
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(log.CanUndo());
            const auto leaving = step->LeavingOnUndo();
            log.Undo();
            EXPECT_FALSE(Shows(world, leaving));
            EXPECT_EQ(before, Dump(world)) << round;
            ASSERT_TRUE(log.CanRedo());
            const auto gone = step->LeavingOnRedo();
            EXPECT_EQ(gone.empty(), !Shows(world, gone));
            log.Redo();
            EXPECT_FALSE(Shows(world, gone));
            EXPECT_EQ(after, Dump(world)) << round;
        }
        if (undoneAtEnd) log.Undo();
        const std::string last = Dump(world);
        owned.reset();
        EXPECT_EQ(last, Dump(world)) << "what the log kept referred to the model";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, GroupSettingUndo, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A later change by another history keeps the commit from being undone until it is undone:
// the elements of a group data the commit moved, or the groups of another library it changed.
TEST(GroupSettingUndoTest, AnotherHistoryLaterRefusesTheUndo) {
    const std::function<void(World&)> laterChanges[] = {
        [](World& w) { w.a.Group(1)->GroupData()->AddElements(1); },
        [](World& w) {
            TGroupDataSetting other(w.b);
            other.MoveGroup(0, 1);
            other.Commit(w.b, w.controller);
        },
    };
    for (const auto& change : laterChanges) {
        World world;
        TEditLog commit;
        {
            TGroupDataSetting setting(world.a);
            setting.MoveGroupDataToFile(0, {1}, 1, true);
            TEditLog::Scope scope(commit);
            setting.Commit(world.a, world.controller);
        }
        commit.Finish();
        TEditLog later;
        {
            TEditLog::Scope scope(later);
            change(world);
        }
        later.Finish();
        EXPECT_FALSE(commit.CanUndo());
        later.Undo();
        EXPECT_TRUE(commit.CanUndo());
    }
}

}  // namespace
}  // namespace tabrix
