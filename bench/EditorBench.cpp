// tabrix-editor-bench: the editor on a generated library of one group of N elements.
//
//   tabrix-editor-bench --data=FOLDER [--size=1000000] [benchmark flags]
//
// DrawScreen paints one full screen of the element list (a 1280 x 800 list through the draw
// format, offscreen) into a QImage; OpenInEditor opens the library in a library window of the
// frame (document, window set-up, compiling, layout); OpenCoreOnly does the core's part alone
// (controller open and compiling), so the two give the editor's overhead. InsertAndDeleteAtTop
// inserts one element before the first of the group and deletes it again through the window's
// document, with the list shown: the edits that renumber every element after them. AddInEditor
// adds one element at the end as the add command does (the step in the history included) and
// lets the list take it over: the edit the user waits for, of which the step's record is a part.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchLibrary.h"
#include "files/TLibraryOpener.h"
#include "format/TFormatCompiler.h"
#include "model/PathName.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQLCtrl.h"
#include "platform/QtDialogs.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TMainForm.h"
#include "windows/TZQLForm.h"

namespace {

std::string g_folder;
std::size_t g_size = 1000000;

std::string LibraryPath() {
    return tabrix::bench::LibraryFiles::In(g_folder, 1).library;
}

// The library opened in a shown 1280 x 800 frame; null (and the benchmark skipped) when it
// cannot be opened.
tabrix::TZQLForm* OpenShown(tabrix::TMainForm& frame, benchmark::State& state) {
    frame.resize(1280, 800);
    frame.show();
    tabrix::TZQLForm* form = frame.OpenLibrary(QString::fromStdString(LibraryPath()));
    if (!form) state.SkipWithError("cannot open the library");
    return form;
}

void DrawScreen(benchmark::State& state) {
    tabrix::QtDialogs dialogs;
    tabrix::TMainForm frame(dialogs, QString::fromStdString(g_folder + "/config"));
    tabrix::TZQLForm* form = OpenShown(frame, state);
    if (!form) return;
    tabrix::TElementListView& list = form->List();
    list.resize(1280, 800);
    list.SetTopRow(static_cast<int>(g_size / 2));
    QImage image(list.viewport()->size(), QImage::Format_RGB32);
    int rows = 0;
    for (auto _ : state) {
        list.viewport()->render(&image);
        rows = list.viewport()->height() / list.rowHeight(0) + 1;
    }
    state.counters["rows"] = rows;
}

void OpenInEditor(benchmark::State& state) {
    tabrix::QtDialogs dialogs;
    for (auto _ : state) {
        auto frame = std::make_unique<tabrix::TMainForm>(
            dialogs, QString::fromStdString(g_folder + "/config"));
        frame->resize(1280, 800);
        const bool opened = frame->OpenLibrary(QString::fromStdString(LibraryPath())) != nullptr;
        state.PauseTiming();  // closing is not opening
        frame.reset();
        state.ResumeTiming();
        if (!opened) {
            state.SkipWithError("cannot open the library");
            return;
        }
    }
}

// Runs edit (false: refused) on the library shown in a frame, letting the list take each over.
template <typename Edit>
void EditShown(benchmark::State& state, Edit edit) {
    tabrix::QtDialogs dialogs;
    tabrix::TMainForm frame(dialogs, QString::fromStdString(g_folder + "/config"));
    tabrix::TZQLForm* form = OpenShown(frame, state);
    if (!form) return;
    tabrix::TLibraryDocument& document = form->Document();
    for (auto _ : state) {
        if (!edit(document)) {
            state.SkipWithError("the edit was refused");
            return;
        }
        QCoreApplication::processEvents();  // the list's repaint requests
    }
}

void InsertAndDeleteAtTop(benchmark::State& state) {
    EditShown(state, [](tabrix::TLibraryDocument& document) {
        return document.InsertElements(0, 0, 1) && document.DeleteElements(0, 0, 1);
    });
}

void AddInEditor(benchmark::State& state) {
    EditShown(state, [](tabrix::TLibraryDocument& document) { return document.AddElements(0, 1); });
}

void OpenCoreOnly(benchmark::State& state) {
    std::string path;
    tabrix::PathName::FromNative(LibraryPath(), path);
    for (auto _ : state) {
        tabrix::TTabrixCtrl controller;
        tabrix::FileResult result = tabrix::kFileOk;
        auto library = TLibraryOpener(controller).OpenNewLibrary(path, result);
        if (!library) {
            state.SkipWithError("cannot open the library");
            return;
        }
        tabrix::TFormatCompiler::CompileAll(*library);
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string folder = "build-bench-editor";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--data=", 0) == 0)
            folder = arg.substr(7);
        else if (arg.rfind("--size=", 0) == 0)
            g_size = std::stoul(arg.substr(7));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    g_folder = folder + "/single-" + std::to_string(g_size);
    if (!std::filesystem::exists(LibraryPath())) {
        tabrix::bench::LibraryShape shape;
        shape.elements = g_size;
        shape.groups = 1;
        std::string error;
        if (!tabrix::bench::WriteLibrary(shape, g_folder, error)) {
            std::fprintf(stderr, "tabrix-editor-bench: %s\n", error.c_str());
            return 1;
        }
    }
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("DrawScreen", DrawScreen)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("InsertAndDeleteAtTop", InsertAndDeleteAtTop)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("AddInEditor", AddInEditor)
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(2000);
    benchmark::RegisterBenchmark("OpenInEditor", OpenInEditor)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("OpenCoreOnly", OpenCoreOnly)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
