// tabrix-bench: the core's operations on generated libraries, at every size given.
//
//   tabrix-bench --data=FOLDER [--sizes=10000,100000,1000000] [benchmark flags]
//
// FOLDER holds multi-N/ (10 groups over 2 element data files) and single-N/ (one group of N)
// for every size N, as tabrix-bench-gen writes them; a missing one is generated first.
// Besides time and throughput every benchmark reports the resident memory at its end
// ("rss_mb") and the process's peak ("peak_mb"); run one benchmark per process to read the
// peak of that benchmark alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "batch/TBatchData.h"
#include "batch/TBatchRunner.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TFormatSink.h"
#include "format/TOutputGenerator.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix::bench {
namespace {

namespace fs = std::filesystem;

std::string g_dataRoot;

std::string Folder(const char* kind, std::size_t elements) {
    return g_dataRoot + "/" + kind + "-" + std::to_string(elements);
}

LibraryFiles Files(const char* kind, std::size_t elements) {
    return LibraryFiles::In(Folder(kind, elements), std::string(kind) == "single" ? 1 : 10);
}

// Generates the library unless its folder already holds one.
bool EnsureLibrary(const char* kind, std::size_t elements) {
    const LibraryFiles files = Files(kind, elements);
    if (fs::exists(files.library) && fs::exists(files.data.back())) return true;
    LibraryShape shape;
    shape.elements = elements;
    shape.groups = std::string(kind) == "single" ? 1 : 10;
    std::string error;
    if (WriteLibrary(shape, files.folder, error)) return true;
    std::fprintf(stderr, "tabrix-bench: %s\n", error.c_str());
    return false;
}

// An open library with its controller; the library goes first, as it is registered there.
struct Opened {
    TTabrixCtrl controller;
    std::unique_ptr<TZQLCtrl> library;

    explicit Opened(const std::string& path) {
        int result = 0;
        library = controller.OpenNewLibrary(path, result);
    }
    ~Opened() { library.reset(); }
};

std::unique_ptr<Opened> Open(benchmark::State& state, const LibraryFiles& files) {
    auto opened = std::make_unique<Opened>(files.library);
    if (!opened->library) state.SkipWithError("the library does not open");
    return opened;
}

std::size_t ElementCount(const TZQLCtrl& library) {
    std::size_t count = 0;
    for (const auto& group : library.Groups())
        count += group->GroupData() ? group->GroupData()->Size() : 0;
    return count;
}

void ReportMemory(benchmark::State& state) {
    state.counters["rss_mb"] = static_cast<double>(ResidentBytes()) / 1e6;
    state.counters["peak_mb"] = static_cast<double>(PeakResidentBytes()) / 1e6;
}

// Counts what a run sends; keeps nothing.
class CountingSink : public TFormatSink {
public:
    int Send(SinkEvent event, std::string_view text, std::uint32_t) override {
        ++events;
        if (event == kEventText) bytes += text.size();
        return kReplyContinue;
    }
    std::uint64_t events = 0;
    std::uint64_t bytes = 0;
};

// --- the benchmarks -------------------------------------------------------------------------

void ReadElementData(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("multi", n);
    auto opened = Open(state, files);
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::string path = opened->library->Group(0)->GroupData()->Owner()->Path();
    std::size_t elements = 0;
    for (auto _ : state) {
        auto file = std::make_unique<TZQDCtrl>(path);
        if (file->Read(library) != 0) state.SkipWithError("the element data file does not read");
        state.PauseTiming();
        elements = 0;
        for (const auto& data : file->GroupData())
            elements += data->Size();
        library.ReferenceTable().clear();
        file.reset();
        state.ResumeTiming();
    }
    const auto bytes = static_cast<std::int64_t>(fs::file_size(files.data.front()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * elements));
    ReportMemory(state);
}

void OpenLibrary(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("multi", n);
    const std::uint64_t dataBytes = DataBytes(files);
    std::uint64_t residentAfterOpen = 0;
    for (auto _ : state) {
        auto opened = std::make_unique<Opened>(files.library);
        state.PauseTiming();
        if (!opened->library) state.SkipWithError("the library does not open");
        // The first open only: later ones start with what the heap kept from the one before.
        if (residentAfterOpen == 0) residentAfterOpen = ResidentBytes();
        opened.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dataBytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["rss_after_open_mb"] = static_cast<double>(residentAfterOpen) / 1e6;
    state.counters["rss_per_data_byte"] =
        static_cast<double>(residentAfterOpen) / static_cast<double>(dataBytes);
    ReportMemory(state);
}

void SaveLibrary(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("multi", n);
    auto opened = Open(state, files);
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    // Saved into a folder of its own, so the generated files stay as they are.
    const std::string scratch = Folder("save", n);
    fs::create_directories(scratch + "/data");
    const LibraryFiles target = LibraryFiles::In(scratch, 10);
    std::vector<TZQDCtrl*> dataFiles;
    for (const auto& group : library.Groups()) {
        TZQDCtrl* file = group->GroupData()->Owner();
        if (std::find(dataFiles.begin(), dataFiles.end(), file) == dataFiles.end())
            dataFiles.push_back(file);
    }
    for (std::size_t k = 0; k < dataFiles.size(); ++k)
        dataFiles[k]->SetPath(target.data[k]);
    library.SetPath(target.library);
    library.ParameterFile()->SetPath(target.parameters);
    library.InitializeInfo()->SetPath(target.info);

    for (auto _ : state) {
        int failed = 0;
        for (TZQDCtrl* file : dataFiles) {
            file->SetModified(true);
            failed |= file->Write(library);
        }
        library.SetModified(true);
        library.ParameterFile()->SetModified(true);
        failed |= library.Write();
        failed |= library.ParameterFile()->Write();
        failed |= library.InitializeInfo()->Write();
        if (failed) state.SkipWithError("saving failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataBytes(target)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

void CompileAll(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("multi", n));
    if (!opened->library) return;
    for (auto _ : state)
        TFormatCompiler::CompileAll(*opened->library);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    ReportMemory(state);
}

// The common output format for every element, one evaluator per group as Output has it.
void EvaluateElement(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("multi", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TFormatCompiler::CompileAll(library);
    const CodeList& format = library.ParameterFile()->OutputCode();
    CountingSink sink;
    for (auto _ : state) {
        for (const auto& group : library.Groups()) {
            TFormatEvaluator evaluator(library, sink, kPurposeOutput);
            for (const auto& element : group->GroupData()->Elements())
                evaluator.RunTopLevel(element.get(), format);
        }
    }
    benchmark::DoNotOptimize(sink.bytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * ElementCount(library)));
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
    ReportMemory(state);
}

void Output(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("multi", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TFormatCompiler::CompileAll(library);
    TOutputOptions options;
    options.everyGroup = true;
    options.folder = Folder("out", n);
    fs::create_directories(options.folder);
    for (auto _ : state) {
        TOutputReport report = TOutputGenerator(library, {}).Run(options);
        if (report.failures || report.written != library.GroupCount())
            state.SkipWithError("output failed");
    }
    std::uint64_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(options.folder))
        bytes += entry.file_size();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

// Sorts the one group of N by its title; the order as generated is put back between runs.
void SortByTitle(benchmark::State& state, std::size_t n, unsigned foldFlags) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TGroupData& data = *library.Group(0)->GroupData();
    std::vector<TElement*> generated;
    for (const auto& element : data.Elements())
        generated.push_back(element.get());
    TBatchRunner runner(library);
    for (auto _ : state) {
        runner.SortGroups(true, foldFlags, {kTitle}, {0});
        state.PauseTiming();
        std::vector<std::uint32_t> back;
        back.reserve(generated.size());
        for (const TElement* element : generated)
            back.push_back(element->Index());
        data.Permute(back);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

const IndexList kAllGroups = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// Judged on title and price over all groups; every run starts from the library as saved.
void DeleteDuplicates(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("multi", n);
    std::size_t deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto opened = Open(state, files);
        if (!opened->library) return;
        TBatchRunner runner(*opened->library);
        state.ResumeTiming();
        runner.DeleteDuplicates(kAllGroups, {kTitle, kPrice});
        state.PauseTiming();
        deleted = n - ElementCount(*opened->library);
        opened.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["deleted"] = static_cast<double>(deleted);
    ReportMemory(state);
}

// Groups 0-4 onto groups 5-9, judged on the title, copying pages and stock. Running it again
// finds the same matches and copies the same values.
void CompareApply(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("multi", n));
    if (!opened->library) return;
    TBatchRunner runner(*opened->library);
    for (auto _ : state)
        runner.CompareApply({0, 1, 2, 3, 4}, {5, 6, 7, 8, 9}, {kTitle}, {kPages, kInStock});
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

// Runs that need fresh data each time get a fixed count; at a million elements a handful is
// plenty for a figure that is stable to a few percent.
int Rounds(std::size_t n) {
    return n >= 1000000 ? 3 : n >= 100000 ? 5 : 20;
}

void Register(std::size_t n) {
    auto name = [n](const char* what) { return std::string(what) + "/" + std::to_string(n); };
    auto add = [&](const char* what, auto fn) {
        return benchmark::RegisterBenchmark(name(what).c_str(), fn)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    add("ReadElementData", [n](benchmark::State& s) {
        ReadElementData(s, n);
    })->Iterations(Rounds(n));
    add("OpenLibrary", [n](benchmark::State& s) { OpenLibrary(s, n); })->Iterations(Rounds(n));
    add("SaveLibrary", [n](benchmark::State& s) { SaveLibrary(s, n); })->Iterations(Rounds(n));
    add("CompileAll", [n](benchmark::State& s) { CompileAll(s, n); });
    add("EvaluateElement", [n](benchmark::State& s) { EvaluateElement(s, n); });
    add("Output", [n](benchmark::State& s) { Output(s, n); })->Iterations(Rounds(n));
    add("SortByTitle", [n](benchmark::State& s) {
        SortByTitle(s, n, kFoldNone);
    })->Iterations(Rounds(n));
    add("SortByTitleFolded", [n](benchmark::State& s) {
        SortByTitle(s, n, kFoldAll);
    })->Iterations(Rounds(n));
    add("DeleteDuplicates", [n](benchmark::State& s) {
        DeleteDuplicates(s, n);
    })->Iterations(Rounds(n));
    add("CompareApply", [n](benchmark::State& s) { CompareApply(s, n); })->Iterations(Rounds(n));
}

}  // namespace
}  // namespace tabrix::bench

int main(int argc, char** argv) {
    using namespace tabrix::bench;
    benchmark::Initialize(&argc, argv);
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--data=", 0) == 0) {
            g_dataRoot = arg.substr(7);
        } else if (arg.rfind("--sizes=", 0) == 0) {
            const char* p = arg.c_str() + 8;
            while (*p) {
                char* end = nullptr;
                sizes.push_back(std::strtoull(p, &end, 10));
                p = *end == ',' ? end + 1 : end;
                if (end == p && *p) break;
            }
        } else {
            std::fprintf(stderr, "tabrix-bench: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if (g_dataRoot.empty()) {
        std::fprintf(stderr,
                     "usage: tabrix-bench --data=FOLDER [--sizes=N,...] [benchmark flags]\n");
        return 2;
    }
    if (sizes.empty()) sizes = {10000, 100000, 1000000};
    for (std::size_t n : sizes) {
        if (n < 10 || !EnsureLibrary("multi", n) || !EnsureLibrary("single", n)) return 1;
        Register(n);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
