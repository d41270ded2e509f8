// Saving when the operating system fails it part way: every file kind keeps its old bytes on
// disk, stays modified and reports the failure's own result code, whether its temporary file
// is created without a name or, where that cannot be done, with one. A save killed outright
// leaves the complete old or the complete new file, never a mixture, and no temporary file.
// And no save replaces a file of another kind.
#include "model/TFileWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "BatchFixture.h"
#include "files/TElementDataWriter.h"
#include "files/TInitializeInfoWriter.h"
#include "files/TLibraryWriter.h"
#include "files/TParameterFileWriter.h"
#include "model/TZQICtrl.h"

namespace tabrix {
namespace {

using namespace test;
namespace fs = std::filesystem;

enum Fault { kNoFault, kFailCreate, kFailMidWrite, kFailSync, kFailClose, kFailRename };

// How the temporary file comes to be: without a name and then linked, or, where the file
// system has no unnamed files or they cannot be linked, under a name from the start.
enum Route { kUnnamedFile, kNoUnnamedFiles, kNoLinking };

// The system's calls, except that one of them fails as a full disk or a broken device would,
// and the route's calls fail as they would where it is not available.
class FaultyWriter : public TFileWriter {
public:
    explicit FaultyWriter(Fault fault, Route route = kUnnamedFile) : fault_(fault), route_(route) {}

    int CreateUnnamed(const std::string& folder) override {
        if (fault_ == kFailCreate) return Fail(EACCES);
        if (route_ == kNoUnnamedFiles) return Fail(EOPNOTSUPP);
        return TFileWriter::CreateUnnamed(folder);
    }
    int Link(int fd, const std::string& path) override {
        if (route_ == kNoLinking) return Fail(EPERM);
        return TFileWriter::Link(fd, path);
    }
    int CreateNew(const std::string& path) override {
        ++namedFiles_;
        if (fault_ == kFailCreate) return Fail(EACCES);
        return TFileWriter::CreateNew(path);
    }
    ssize_t Write(int fd, const char* data, std::size_t size) override {
        if (fault_ != kFailMidWrite) return TFileWriter::Write(fd, data, size);
        if (written_ > 0 || size < 2) return Fail(ENOSPC);
        written_ = size / 2;  // half lands, then the disk is full
        return TFileWriter::Write(fd, data, written_);
    }
    int Sync(int fd) override {
        if (fault_ == kFailSync) return Fail(EIO);
        return TFileWriter::Sync(fd);
    }
    int Close(int fd) override {
        int result = TFileWriter::Close(fd);  // the descriptor is gone either way
        return fault_ == kFailClose ? Fail(EIO) : result;
    }
    int Rename(const std::string& from, const std::string& to) override {
        if (fault_ == kFailRename) return Fail(EXDEV);
        return TFileWriter::Rename(from, to);
    }

    int NamedFiles() const { return namedFiles_; }

private:
    static int Fail(int error) {
        errno = error;
        return -1;
    }
    Fault fault_;
    Route route_;
    std::size_t written_ = 0;
    int namedFiles_ = 0;
};

// Whether the folder's file system can create files without a name.
bool HasUnnamedFiles(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

int ExpectedResult(Fault fault) {
    switch (fault) {
        case kFailCreate:
            return kFileCannotOpen;
        case kFailMidWrite:
        case kFailRename:
            return kFileShortWrite;
        default:
            return kFileCloseFailed;
    }
}

// A library of four files saved in a folder of its own.
class SavedLibraryTest : public BatchFixture {
protected:
    SavedLibraryTest() {
        library.SetInitializeInfo(std::make_unique<TZQICtrl>());
        library.SetPath(dir.File("lib.ZQL"));
        library.ParameterFile()->SetPath(dir.File("lib.ZQP"));
        library.InitializeInfo()->SetPath(dir.File("lib.ZQI"));
        data.SetPath(dir.File("lib.ZQD"));
        Add(0, "一つ目", 1);
        SaveEverything(TFileWriter::System());
    }

    // Each file kind: its path, its save through a writer, and whether it is still modified (the
    // initialize-info file keeps no modified bit).
    struct Kind {
        std::string path;
        std::function<int(TFileWriter&)> write;
        std::function<bool()> isModified;
    };
    std::vector<Kind> Kinds() {
        TZQPCtrl& parameters = *library.ParameterFile();
        return {
            {data.Path(),
             [&](TFileWriter& w) { return TElementDataWriter(data, library).Write({}, w); },
             [&] { return data.IsModified(); }},
            {library.Path(), [&](TFileWriter& w) { return TLibraryWriter(library).Write({}, w); },
             [&] { return library.IsModified(); }},
            {parameters.Path(),
             [&](TFileWriter& w) { return TParameterFileWriter(parameters).Write({}, w); },
             [&] { return parameters.IsModified(); }},
            {library.InitializeInfo()->Path(),
             [&](TFileWriter& w) {
                 return TInitializeInfoWriter(*library.InitializeInfo()).Write(w);
             },
             [] { return true; }}};
    }

    void MarkEverythingModified() {
        data.SetModified(true);
        library.SetModified(true);
        library.ParameterFile()->SetModified(true);
    }
    void SaveEverything(TFileWriter& writer) {
        MarkEverythingModified();
        for (const Kind& kind : Kinds())
            ASSERT_EQ(kind.write(writer), kFileOk) << kind.path;
    }

    // Checks that a save that failed left the file as it was and the folder without strays.
    void ExpectUntouched(const std::string& path, const std::string& before) {
        EXPECT_EQ(ReadFile(path), before) << path;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 4)
            << "a temporary file stayed";
    }

    TempDir dir;
};

class FaultySaveTest : public SavedLibraryTest,
                       public ::testing::WithParamInterface<std::tuple<Fault, Route>> {};

TEST_P(FaultySaveTest, EveryFileKindKeepsItsOldBytesAndStaysModified) {
    const auto [fault, route] = GetParam();
    std::vector<std::string> old;
    for (const Kind& kind : Kinds())
        old.push_back(ReadFile(kind.path));
    // Changes in every file, so that each save would write other bytes.
    Add(0, "二つ目", 2);
    library.Group(0)->SetName(Sj("改名"));
    library.ParameterFile()->At(kLabel)->SetName(Sj("名前"));
    library.InitializeInfo()->Store().SetText(TMapWord("Window", "Left"), "10");
    MarkEverythingModified();

    FaultyWriter writer(fault, route);
    for (std::size_t i = 0; i < Kinds().size(); ++i) {
        const Kind kind = Kinds()[i];
        EXPECT_EQ(kind.write(writer), ExpectedResult(fault)) << kind.path;
        EXPECT_TRUE(kind.isModified()) << kind.path;
        ExpectUntouched(kind.path, old[i]);
    }
    // Where the file system has unnamed files, a save names no file before it is complete.
    if (route == kUnnamedFile && HasUnnamedFiles(dir.Path())) {
        EXPECT_EQ(writer.NamedFiles(), 0);
    }

    // Once the system behaves again the same objects save what they hold, by every route.
    FaultyWriter healthy(kNoFault, route);
    SaveEverything(healthy);
    if (route != kUnnamedFile) {
        EXPECT_EQ(healthy.NamedFiles(), 4);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 4);
    for (std::size_t i = 0; i < Kinds().size(); ++i) {
        EXPECT_NE(ReadFile(Kinds()[i].path), old[i]);
        EXPECT_EQ(Kinds()[i].isModified(), i == 3) << Kinds()[i].path;  // 3: no modified bit
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultySaveTest,
                         ::testing::Combine(::testing::Values(kFailCreate, kFailMidWrite, kFailSync,
                                                              kFailClose, kFailRename),
                                            ::testing::Values(kUnnamedFile, kNoUnnamedFiles,
                                                              kNoLinking)));

// A file of another kind, or one that is no library file at all, where a save would write is
// left alone: the save reports a wrong header and what it held stays unsaved.
TEST_F(SavedLibraryTest, EveryFileKindRefusesToReplaceAFileOfAnotherKind) {
    const std::vector<Kind> kinds = Kinds();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const Kind& kind = kinds[i];
        const std::string own = ReadFile(kind.path);
        const std::string foreign[] = {
            ReadFile(kinds[(i + 1) % kinds.size()].path),
            "\xEF\xBB\xBF" + own,  // a byte-order mark before the header
            "the user's notes\r\n",
        };
        for (const std::string& bytes : foreign) {
            WriteFile(kind.path, bytes);
            MarkEverythingModified();
            EXPECT_EQ(kind.write(TFileWriter::System()), kFileWrongHeader) << kind.path;
            EXPECT_TRUE(kind.isModified()) << kind.path;
            ExpectUntouched(kind.path, bytes);
        }
        WriteFile(kind.path, "");  // an empty file is anybody's
        MarkEverythingModified();
        EXPECT_EQ(kind.write(TFileWriter::System()), kFileOk) << kind.path;
        EXPECT_EQ(ReadFile(kind.path), own);
    }
}

// --- a save killed part way ----------------------------------------------------------------

class KilledSaveTest : public BatchFixture {
protected:
    // Fills group 0 with count elements whose texts carry the given mark.
    void Fill(std::size_t count, const std::string& mark) {
        if (Data(0).Size() < count) Data(0).AddElements(count - Data(0).Size());
        const std::string text = Sj("日本語の見出し・表示") + mark + std::string(60, 'x');
        for (std::size_t i = 0; i < count; ++i) {
            TElement& e = *Data(0).At(i);
            e.SetTexts(kLabel, {text + std::to_string(i)});
            e.SetNumbers(kCode, {static_cast<std::uint32_t>(i)});
            e.SetTexts(kTags, {mark, text});
        }
        data.SetModified(true);
    }
    // The bytes a save of the current elements writes.
    std::string SavedBytes(const std::string& path) {
        data.SetPath(path);
        data.SetModified(true);
        EXPECT_EQ(TElementDataWriter(data, library).Write(), kFileOk);
        return ReadFile(path);
    }

    TempDir dir;
};

TEST_F(KilledSaveTest, TheTargetIsAlwaysTheWholeOldOrTheWholeNewFile) {
    constexpr std::size_t kElements = 60000;  // some 10 MB
    Fill(kElements, "A");
    const std::string bytesA = SavedBytes(dir.File("a.ZQD"));
    Fill(kElements, "B");
    const std::string bytesB = SavedBytes(dir.File("b.ZQD"));
    ASSERT_NE(bytesA, bytesB);

    const std::string target = dir.File("target.ZQD");
    data.SetPath(target);
    auto start = std::chrono::steady_clock::now();
    data.SetModified(true);
    ASSERT_EQ(TElementDataWriter(data, library).Write(), kFileOk);  // target holds B
    const auto saveTime = std::chrono::steady_clock::now() - start;

    const bool unnamedFiles = HasUnnamedFiles(dir.Path());
    std::mt19937 random(20261206);
    bool holdsB = true;
    int completed = 0;
    int interrupted = 0;
    for (int run = 0; run < 8; ++run) {
        Fill(kElements, holdsB ? "A" : "B");
        data.SetPath(target);
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(saveTime) *
                           std::uniform_int_distribution<int>(5, 120)(random) / 100;
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) std::_Exit(TElementDataWriter(data, library).Write() == kFileOk ? 0 : 1);
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            ++completed;
        } else {
            ++interrupted;
        }
        const std::string now = ReadFile(target);
        ASSERT_TRUE(now == bytesA || now == bytesB)
            << "run " << run << ": " << now.size() << " bytes, neither file";
        holdsB = now == bytesB;
        // The file being written had no name until it was complete.
        if (unnamedFiles) {
            ASSERT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 3)
                << "run " << run << " left a temporary file";
        }
    }
    // A run cut short before the rename changes nothing, so at least some must have been
    // interrupted for the check to mean anything.
    EXPECT_GT(interrupted, 0) << completed << " runs completed";
    RecordProperty("interrupted", interrupted);
}

}  // namespace
}  // namespace tabrix
