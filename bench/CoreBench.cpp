// tabrix-bench: the core's operations on generated libraries, at every size given.
//
//   tabrix-bench --data=FOLDER [--sizes=10000,100000,1000000] [benchmark flags]
//
// FOLDER holds multi-N/ (10 groups over 2 element data files) and single-N/ (one group of N)
// for every size N, as tabrix-bench-gen writes them; a missing one is generated first.
// Besides time and throughput every benchmark reports the resident memory at its end
// ("rss_mb") and the process's peak ("peak_mb"); run one benchmark per process to read the
// peak of that benchmark alone.
//
// The Undo* and Redo* benchmarks time taking back (and doing again) one recorded step on the
// one group of N; the Logged* ones run an edit without a log and with one, alternately, and
// report both (the benchmark's own time is the logged edit's).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "batch/TBatchData.h"
#include "batch/TBatchRunner.h"
#include "batch/TElementFinder.h"
#include "files/TElementDataReader.h"
#include "files/TElementDataWriter.h"
#include "files/TInitializeInfoWriter.h"
#include "files/TLibraryOpener.h"
#include "files/TLibraryWriter.h"
#include "files/TParameterFileWriter.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TFormatSink.h"
#include "format/TOutputGenerator.h"
#include "model/FileBytes.h"
#include "model/TEditLog.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTableImport.h"
#include "model/TTableWriter.h"
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
        tabrix::FileResult result = tabrix::kFileOk;
        library = TLibraryOpener(controller).OpenNewLibrary(path, result);
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
    std::vector<TUnresolvedReference> references;
    for (auto _ : state) {
        auto file = std::make_unique<TZQDCtrl>(path);
        if (TElementDataReader(*file, library, references).Read() != 0)
            state.SkipWithError("the element data file does not read");
        state.PauseTiming();
        elements = 0;
        for (const auto& data : file->GroupData())
            elements += data->Size();
        references.clear();
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
            failed |= TElementDataWriter(*file, library).Write();
        }
        library.SetModified(true);
        library.ParameterFile()->SetModified(true);
        failed |= TLibraryWriter(library).Write();
        failed |= TParameterFileWriter(*library.ParameterFile()).Write();
        failed |= TInitializeInfoWriter(*library.InitializeInfo()).Write();
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

// Every match of the one group of N, as すべて選択 finds them: a part match with all foldings
// over every searched parameter (titles, authors, numbers, categories).
void FindAll(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TElementFinder finder(*library.ParameterFile());
    TElementFinder::Options options;
    options.text = "ab";
    options.foldFlags = kFoldAll;
    if (finder.SetOptions(options).kind != TElementFinder::Problem::Kind::kNone) {
        state.SkipWithError("options refused");
        return;
    }
    const TGroupData& data = *library.Group(0)->GroupData();
    std::size_t found = 0;
    for (auto _ : state)
        found = finder.AllMatches(data).size();
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
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

// --- undo and redo -------------------------------------------------------------------------

// An edit recorded as the editor records a step: the log active around it, the group marks
// noted first, the revisions taken at the end.
template <typename Edit>
std::unique_ptr<TEditLog> Recorded(TZQLCtrl& library, Edit edit) {
    auto log = std::make_unique<TEditLog>();
    {
        TEditLog::Scope scope(*log);
        log->NoteGroupStatus(library);
        edit();
    }
    log->Finish();
    return log;
}

enum class OneElement { kAdd, kInsert, kDelete };

// One element added at the end of group 0, inserted before its first, or its first deleted:
// the last two renumber every element after them.
void EditOne(TZQLCtrl& library, OneElement kind) {
    switch (kind) {
        case OneElement::kAdd:
            library.AddElements(0, 1);
            return;
        case OneElement::kInsert:
            library.InsertElements(0, 0, 1);
            return;
        case OneElement::kDelete:
            library.DeleteElements(0, 0, 1);
            return;
    }
}

std::vector<const TElement*> ElementOrder(const TGroupData& data) {
    std::vector<const TElement*> order;
    order.reserve(data.Size());
    for (const auto& element : data.Elements())
        order.push_back(element.get());
    return order;
}

// Times undoing (redo false) or doing again (redo true) one element's edit in the group of N,
// with the check the editor makes first; every round leaves the group as generated.
void UndoOne(benchmark::State& state, std::size_t n, OneElement kind, bool redo) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::vector<const TElement*> generated = ElementOrder(*library.Group(0)->GroupData());
    for (auto _ : state) {
        state.PauseTiming();
        auto log = Recorded(library, [&] { EditOne(library, kind); });
        if (redo) log->Undo();
        state.ResumeTiming();
        if (redo ? !log->CanRedo() : !log->CanUndo()) {
            state.SkipWithError("the step was refused");
            break;
        }
        redo ? log->Redo() : log->Undo();
        state.PauseTiming();
        if (redo) log->Undo();
        log.reset();
        state.ResumeTiming();
    }
    if (ElementOrder(*library.Group(0)->GroupData()) != generated)
        state.SkipWithError("undoing did not give back the group");
    ReportMemory(state);
}

// Times undoing the editor's sort of the group of N by title; reports what the step keeps.
void UndoSort(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::vector<const TElement*> generated = ElementOrder(*library.Group(0)->GroupData());
    TBatchRunner runner(library);
    std::size_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto log = Recorded(library, [&] { runner.SortGroups(true, kFoldNone, {kTitle}, {0}); });
        kept = log->Bytes();
        state.ResumeTiming();
        if (!log->CanUndo()) {
            state.SkipWithError("the step was refused");
            break;
        }
        log->Undo();
        state.PauseTiming();
        log.reset();
        state.ResumeTiming();
    }
    if (ElementOrder(*library.Group(0)->GroupData()) != generated)
        state.SkipWithError("undoing did not give back the group");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["kept_bytes_per_element"] = static_cast<double>(kept) / static_cast<double>(n);
    ReportMemory(state);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The wall and process CPU time of one run of work.
struct Took {
    double wall = 0;
    double cpu = 0;
};

template <typename Work>
Took TimeOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessSeconds();
    work();
    const double cpu = ProcessSeconds() - cpuStart;
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpu};
}

// The times of the edit without a log and with one, collected round by round. On a loaded
// machine the CPU times (every thread of the process) are the steadier judge.
struct Overhead {
    std::vector<Took> plain;
    std::vector<Took> logged;
    std::size_t keptBytes = 0;  // by the last logged edit

    void Report(benchmark::State& state) const {
        auto median = [](const std::vector<Took>& runs, double Took::*part) {
            std::vector<double> values;
            for (const Took& run : runs)
                values.push_back(run.*part);
            return Median(std::move(values));
        };
        const double p = median(plain, &Took::wall);
        const double l = median(logged, &Took::wall);
        const double pc = median(plain, &Took::cpu);
        const double lc = median(logged, &Took::cpu);
        state.counters["plain_ms"] = p * 1e3;
        state.counters["logged_ms"] = l * 1e3;
        state.counters["logged_ratio"] = p > 0 ? l / p : 0;
        state.counters["plain_cpu_ms"] = pc * 1e3;
        state.counters["logged_cpu_ms"] = lc * 1e3;
        state.counters["logged_cpu_ratio"] = pc > 0 ? lc / pc : 0;
        state.counters["kept_mb"] = static_cast<double>(keptBytes) / 1e6;
        ReportMemory(state);
    }
};

// An edit of group 0 of the group of N, without and with a log, the order alternating round
// by round. Each is put back untimed: the logged ones by their undo, the plain ones by
// restore. An edit that takes well under a microsecond runs repeat times in a row, so that
// reading the clocks does not outweigh it; restore puts back all of them.
template <typename Edit, typename Restore>
void LoggedAgainstPlain(benchmark::State& state, TZQLCtrl& library, Edit edit, Restore restore,
                        std::size_t repeat = 1) {
    Overhead times;
    bool loggedFirst = false;
    std::vector<std::unique_ptr<TEditLog>> logs(repeat);
    auto perEdit = [repeat](Took took) {
        return Took{took.wall / static_cast<double>(repeat),
                    took.cpu / static_cast<double>(repeat)};
    };
    for (auto _ : state) {
        auto plainRound = [&] {
            times.plain.push_back(perEdit(TimeOf([&] {
                for (std::size_t k = 0; k < repeat; ++k)
                    edit();
            })));
            restore();
        };
        auto loggedRound = [&] {
            times.logged.push_back(perEdit(TimeOf([&] {
                for (std::size_t k = 0; k < repeat; ++k)
                    logs[k] = Recorded(library, edit);
            })));
            times.keptBytes = logs.back()->Bytes();
            for (std::size_t k = repeat; k-- > 0;) {
                logs[k]->Undo();
                logs[k].reset();
            }
        };
        loggedFirst = !loggedFirst;
        if (loggedFirst) {
            loggedRound();
            plainRound();
        } else {
            plainRound();
            loggedRound();
        }
        state.SetIterationTime(times.logged.back().wall);
    }
    times.Report(state);
}

void LoggedOne(benchmark::State& state, std::size_t n, OneElement kind) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    // A plain deletion destroys the element: an empty one at the end keeps the size.
    const std::size_t repeat = kind == OneElement::kAdd ? 1000 : 1;
    LoggedAgainstPlain(
        state, library, [&] { EditOne(library, kind); },
        [&] {
            if (kind == OneElement::kAdd) library.DeleteElements(0, n, n + repeat);
            if (kind == OneElement::kInsert) library.DeleteElements(0, 0, 1);
            if (kind == OneElement::kDelete) library.AddElements(0, 1);
        },
        repeat);
}

void LoggedSort(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TGroupData& data = *library.Group(0)->GroupData();
    const std::vector<const TElement*> generated = ElementOrder(data);
    TBatchRunner runner(library);
    LoggedAgainstPlain(
        state, library, [&] { runner.SortGroups(true, kFoldNone, {kTitle}, {0}); },
        [&] {
            std::vector<std::uint32_t> back;
            back.reserve(generated.size());
            for (const TElement* element : generated)
                back.push_back(element->Index());
            data.Permute(back);
        });
}

// Running it again finds the same matches and copies the same values: nothing to put back.
void LoggedCompareApply(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("multi", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    TBatchRunner runner(library);
    LoggedAgainstPlain(
        state, library,
        [&] {
            runner.CompareApply({0, 1, 2, 3, 4}, {5, 6, 7, 8, 9}, {kTitle}, {kPages, kInStock});
        },
        [] {});
}

// A plain deletion destroys what it deletes, so each round opens the library afresh. Both
// timed deletions follow an undo of the same deletion (the first logged one is not timed): an
// undo leaves the values it put back elsewhere in memory, which changes what the deletion
// finds in the cache.
void LoggedDeleteDuplicates(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("multi", n);
    Overhead times;
    double deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto opened = Open(state, files);
        if (!opened->library) return;
        TZQLCtrl& library = *opened->library;
        TBatchRunner runner(library);
        auto run = [&] { runner.DeleteDuplicates(kAllGroups, {kTitle, kPrice}); };
        std::vector<std::vector<const TElement*>> openedOrder;
        for (const auto& group : library.Groups())
            openedOrder.push_back(ElementOrder(*group->GroupData()));
        Recorded(library, run)->Undo();
        std::unique_ptr<TEditLog> log;
        times.logged.push_back(TimeOf([&] { log = Recorded(library, run); }));
        deleted = static_cast<double>(n - ElementCount(library));
        times.keptBytes = log->Bytes();
        log->Undo();
        log.reset();
        for (std::size_t g = 0; g < library.GroupCount(); ++g)
            if (ElementOrder(*library.Group(g)->GroupData()) != openedOrder[g])
                state.SkipWithError("undoing did not give back the groups");
        times.plain.push_back(TimeOf(run));
        opened.reset();
        state.ResumeTiming();
        state.SetIterationTime(times.logged.back().wall);
    }
    state.counters["deleted"] = deleted;
    times.Report(state);
}

// --- exchange with spreadsheets: the one group of N against its own save and open -----------

void OpenSingle(benchmark::State& state, std::size_t n) {
    const LibraryFiles files = Files("single", n);
    for (auto _ : state) {
        auto opened = std::make_unique<Opened>(files.library);
        state.PauseTiming();
        if (!opened->library) state.SkipWithError("the library does not open");
        opened.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

void SaveGroup(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::string scratch = Folder("save-single", n);
    fs::create_directories(scratch);
    TZQDCtrl* file = library.Group(0)->GroupData()->Owner();
    file->SetPath(scratch + "/a.ZQD");
    for (auto _ : state) {
        file->SetModified(true);
        if (TElementDataWriter(*file, library).Write() != 0) state.SkipWithError("saving failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    FileBytes::Read(path, bytes);
    return bytes;
}

// The table written to a file, as the editor and the command-line tool export it.
void ExportGroup(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::string scratch = Folder("save-single", n);
    fs::create_directories(scratch);
    for (auto _ : state) {
        std::FILE* out = std::fopen((scratch + "/a.csv").c_str(), "wb");
        const bool written =
            out && TTableWriter::WriteTo(
                       library, *library.Group(0), TTableFormat{}, [out](std::string_view bytes) {
                           return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
                       });
        if (!out || std::fclose(out) != 0 || !written) state.SkipWithError("writing failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    ReportMemory(state);
}

// The file read and imported into the emptied group (the emptying is not timed).
void ImportGroup(benchmark::State& state, std::size_t n) {
    auto opened = Open(state, Files("single", n));
    if (!opened->library) return;
    TZQLCtrl& library = *opened->library;
    const std::string scratch = Folder("save-single", n);
    fs::create_directories(scratch);
    const std::string path = scratch + "/import.csv";
    if (!WriteBytes(path, TTableWriter::Write(library, *library.Group(0), TTableFormat{})))
        state.SkipWithError("writing failed");
    for (auto _ : state) {
        state.PauseTiming();
        library.DeleteElements(0, 0, library.Group(0)->GroupData()->Size());
        state.ResumeTiming();
        TTableImport import(library, 0);
        if (import.Run(ReadBytes(path), TTableFormat{}, false) || import.Imported() != n)
            state.SkipWithError("the import failed");
    }
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
    // The Logged* benchmarks time their logged edits themselves, leaving out the plain ones.
    auto addTimed = [&](const char* what, auto fn) {
        return benchmark::RegisterBenchmark(name(what).c_str(), fn)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
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
    add("FindAll", [n](benchmark::State& s) { FindAll(s, n); })->Iterations(Rounds(n));
    add("DeleteDuplicates", [n](benchmark::State& s) {
        DeleteDuplicates(s, n);
    })->Iterations(Rounds(n));
    add("CompareApply", [n](benchmark::State& s) { CompareApply(s, n); })->Iterations(Rounds(n));
    add("OpenSingle", [n](benchmark::State& s) { OpenSingle(s, n); })->Iterations(Rounds(n));
    add("SaveGroup", [n](benchmark::State& s) { SaveGroup(s, n); })->Iterations(Rounds(n));
    add("ExportGroup", [n](benchmark::State& s) { ExportGroup(s, n); })->Iterations(Rounds(n));
    add("ImportGroup", [n](benchmark::State& s) { ImportGroup(s, n); })->Iterations(Rounds(n));

    const struct {
        const char* name;
        OneElement kind;
    } ones[] = {{"Add", OneElement::kAdd},
                {"Insert", OneElement::kInsert},
                {"Delete", OneElement::kDelete}};
    for (const auto& one : ones) {
        const OneElement kind = one.kind;
        add((std::string("Undo") + one.name).c_str(), [n, kind](benchmark::State& s) {
            UndoOne(s, n, kind, false);
        })->Iterations(50);
        add((std::string("Redo") + one.name).c_str(), [n, kind](benchmark::State& s) {
            UndoOne(s, n, kind, true);
        })->Iterations(50);
        addTimed((std::string("Logged") + one.name).c_str(), [n, kind](benchmark::State& s) {
            LoggedOne(s, n, kind);
        })->Iterations(60);
    }
    add("UndoSort", [n](benchmark::State& s) { UndoSort(s, n); })->Iterations(Rounds(n));
    addTimed("LoggedSort", [n](benchmark::State& s) {
        LoggedSort(s, n);
    })->Iterations(2 * Rounds(n));
    addTimed("LoggedCompareApply", [n](benchmark::State& s) {
        LoggedCompareApply(s, n);
    })->Iterations(2 * Rounds(n));
    addTimed("LoggedDeleteDuplicates", [n](benchmark::State& s) {
        LoggedDeleteDuplicates(s, n);
    })->Iterations(Rounds(n) + 1);
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
