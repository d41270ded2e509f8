// The element data reader (.ZQD) on arbitrary file bytes, against a parameter file with every
// type. What was read is shown through groups, its references resolved, and written; the file
// written must read back into the same file when written again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FixtureLibrary.h"
#include "FuzzSupport.h"
#include "files/TElementDataReader.h"
#include "files/TElementDataWriter.h"
#include "files/TReferenceResolver.h"
#include "model/FileResult.h"
#include "model/TTabrixCtrl.h"

using namespace tabrix;

namespace {

constexpr std::size_t kMaxGroups = 64;

// Reads path into a fresh library with the fixed parameters, shows every group data (up to a
// limit) through a group, resolves the references and writes the file to out. Returns the
// reader's result.
int ReadShowWrite(const std::string& path, const std::string& out) {
    test::FilledLibrary fixed;  // only its parameter file is used
    TTabrixCtrl controller;
    TZQLCtrl library;
    library.AttachParameterFile(std::make_unique<TZQPCtrl>());
    for (const auto& parameter : fixed.Params().Parameters()) {
        auto copy = std::make_unique<TParameter>();
        copy->SetCode(parameter->Code());
        copy->SetType(parameter->Type());
        library.ParameterFile()->AddParameter(std::move(copy), true);
    }
    controller.RegisterLibrary(library);
    TZQDCtrl* file = controller.FindOrCreateElementDataFile(path);
    TReferenceResolver resolver(library);
    int result = TElementDataReader(*file, library, resolver.Table()).Read();
    if (result != kFileOk) {
        FUZZ_CHECK(file->Size() == 0);
        FUZZ_CHECK(resolver.Table().empty());
        return result;
    }
    FUZZ_CHECK(!file->IsModified());
    for (std::size_t i = 0; i < file->Size(); ++i) {
        TGroupData* data = file->At(i);
        FUZZ_CHECK(data != nullptr && data->Owner() == file && data->Index() == i);
        for (std::size_t k = 0; k < data->Size(); ++k) {
            FUZZ_CHECK(data->At(k) != nullptr);
            FUZZ_CHECK(data->At(k)->Index() == k && data->At(k)->Owner() == data);
        }
        if (i < kMaxGroups) library.AddGroupForGroupData(data);
    }
    resolver.Resolve();
    FUZZ_CHECK(resolver.Table().empty());
    file->SetPath(out);
    file->SetModified(true);
    FUZZ_CHECK(TElementDataWriter(*file, library).Write() == kFileOk);
    FUZZ_CHECK(!file->IsModified());
    // Destroying the groups first and then the file must leave no reference behind.
    library.ClearGroups();
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path dir = fuzz::ScratchDir();
    const std::string in = (dir / "in.ZQD").string();
    const std::string first = (dir / "first.ZQD").string();
    const std::string second = (dir / "second.ZQD").string();
    fuzz::WriteBytes(in, std::string_view(reinterpret_cast<const char*>(data), size));
    if (ReadShowWrite(in, first) != kFileOk) return 0;
    FUZZ_CHECK(ReadShowWrite(first, second) == kFileOk);
    FUZZ_CHECK(fuzz::ReadBytes(first) == fuzz::ReadBytes(second));
    return 0;
}
