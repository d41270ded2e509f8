// The library reader (.ZQL) with the files it names, all cut from one input:
//
//   <library file bytes>
//   --8<-- NAME
//   <bytes of the file NAME>
//   ...
//
// NAME is a path relative to the library's folder ("data\books.ZQD"); it is kept inside the
// scratch folder. The library is opened as the editor opens it, its formats compiled, its
// groups rendered and output, its open, close and change batch lists run; then it is saved
// elsewhere with every file. Saving what was read must settle: the second save of the saved
// library writes the same bytes as the first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "batch/TBatchRunner.h"
#include "files/TElementDataWriter.h"
#include "files/TInitializeInfoWriter.h"
#include "files/TLibraryOpener.h"
#include "files/TLibraryWriter.h"
#include "files/TParameterFileWriter.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TOutputGenerator.h"
#include "format/TOutputSink.h"
#include "model/FileResult.h"
#include "model/TGroupData.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

using namespace tabrix;

namespace {

constexpr std::string_view kCut = "\n--8<-- ";
constexpr std::size_t kMaxFiles = 8;

// A name from the input made safe to write under the input folder: letters, digits, ".", "-",
// "_" and separators; no empty, "." or ".." components.
std::string SafeName(std::string_view name) {
    std::string safe;
    std::string component;
    auto endComponent = [&] {
        if (component.empty() || component == "." || component == "..")
            component = std::string(1, '_');
        if (!safe.empty()) safe += '/';
        safe += component;
        component.clear();
    };
    for (char c : name) {
        if (c == '\\' || c == '/') {
            endComponent();
        } else {
            bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
            component += plain ? c : '_';
        }
    }
    endComponent();
    return safe.substr(0, 64);
}

void WriteInputFiles(std::string_view input, const std::filesystem::path& dir) {
    std::size_t cut = input.find(kCut);
    fuzz::WriteBytes(dir / "lib.ZQL", input.substr(0, cut));
    for (std::size_t files = 0; cut != std::string_view::npos && files < kMaxFiles; ++files) {
        input.remove_prefix(cut + kCut.size());
        std::size_t nameEnd = input.find('\n');
        std::string name = SafeName(input.substr(0, nameEnd));
        input.remove_prefix(nameEnd == std::string_view::npos ? input.size() : nameEnd + 1);
        cut = input.find(kCut);
        std::filesystem::path path = dir / name;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (!std::filesystem::is_directory(path, error))
            fuzz::WriteBytes(path, input.substr(0, cut));
    }
}

// Everything the editor does with an open library short of windows.
void Exercise(TZQLCtrl& library, const std::filesystem::path& outputDir) {
    TFormatCompiler::CompileAll(library);
    TOutputGenerator generator(library, {});
    std::size_t rendered = 0;
    for (const auto& group : library.Groups()) {
        if (++rendered > 16) break;
        TOutputSink sink;
        generator.OutputGroup(*group, sink);
        FUZZ_CHECK(sink.CurrentLine().empty());
    }
    TOutputOptions options;
    options.everyGroup = true;
    options.folder = outputDir.string();
    TOutputReport report = generator.Run(options);
    FUZZ_CHECK(!report.cancelled);

    TBatchRunner runner(library);
    std::size_t saves = 0;
    TBatchActions actions{[&] { ++saves; }, [&] {}};
    for (BatchTrigger trigger : {kBatchOpen, kBatchClose, kBatchChange})
        runner.RunBatchList(trigger, actions);
    for (const auto& group : library.Groups()) {
        const TGroupData* data = group->GroupData();
        if (!data) continue;
        for (std::size_t i = 0; i < data->Size(); ++i)
            FUZZ_CHECK(data->At(i)->Index() == i && data->At(i)->Owner() == data);
    }
}

// Saves the library and every file it shows into dir, under fixed names.
void SaveInto(TZQLCtrl& library, const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    library.SetPath((dir / "lib.ZQL").string());
    library.ParameterFile()->SetPath((dir / "lib.ZQP").string());
    library.InitializeInfo()->SetPath((dir / "lib.ZQI").string());
    std::vector<TZQDCtrl*> files;
    for (const auto& group : library.Groups()) {
        TZQDCtrl* file = group->GroupData() ? group->GroupData()->Owner() : nullptr;
        if (file && std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    }
    // Saved under new names, files that could not be read are written like the others.
    library.ParameterFile()->SetReadOnly(false);
    library.InitializeInfo()->SetReadOnly(false);
    for (std::size_t i = 0; i < files.size(); ++i) {
        files[i]->SetReadOnly(false);
        files[i]->SetPath(
            (dir / std::string("d").append(std::to_string(i)).append(".ZQD")).string());
        files[i]->SetModified(true);
        FUZZ_CHECK(TElementDataWriter(*files[i], library).Write() == kFileOk);
    }
    library.ParameterFile()->SetModified(true);
    FUZZ_CHECK(TParameterFileWriter(*library.ParameterFile()).Write() == kFileOk);
    FUZZ_CHECK(TInitializeInfoWriter(*library.InitializeInfo()).Write() == kFileOk);
    library.SetModified(true);
    FUZZ_CHECK(TLibraryWriter(library).Write() == kFileOk);
    FUZZ_CHECK(!library.IsModified() && !library.ParameterFile()->IsModified());
}

std::map<std::string, std::string> FilesIn(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files[entry.path().filename().string()] = fuzz::ReadBytes(entry.path());
    return files;
}

// Opens dir/lib.ZQL and saves it into out; false when it does not open.
bool OpenAndSave(const std::filesystem::path& dir, const std::filesystem::path& out) {
    TTabrixCtrl controller;
    FileResult result = kFileOk;
    std::unique_ptr<TZQLCtrl> library =
        TLibraryOpener(controller).OpenNewLibrary((dir / "lib.ZQL").string(), result);
    if (!library) return false;
    SaveInto(*library, out);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path in = fuzz::FreshDir("in");
    WriteInputFiles(std::string_view(reinterpret_cast<const char*>(data), size), in);
    {
        TTabrixCtrl controller;
        FileResult result = kFileOk;
        std::unique_ptr<TZQLCtrl> library =
            TLibraryOpener(controller).OpenNewLibrary((in / "lib.ZQL").string(), result);
        if (!library) {
            FUZZ_CHECK(result != kFileOk);
            FUZZ_CHECK(controller.ElementDataFiles().empty());
            return 0;
        }
        Exercise(*library, fuzz::FreshDir("output"));
        SaveInto(*library, fuzz::FreshDir("first"));
    }
    // The first save may still drop what the reader kept but cannot write (numbers read
    // before the parameters that type them); from then on saving must change nothing.
    const std::filesystem::path second = fuzz::FreshDir("second");
    const std::filesystem::path third = fuzz::FreshDir("third");
    FUZZ_CHECK(OpenAndSave(fuzz::ScratchDir() / "first", second));
    FUZZ_CHECK(OpenAndSave(second, third));
    FUZZ_CHECK(FilesIn(second) == FilesIn(third));
    return 0;
}
