// The parameter definition reader (.ZQP) on arbitrary file bytes. What was read is written; the
// file written must read back into the same file when written again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "files/TParameterFileReader.h"
#include "files/TParameterFileWriter.h"
#include "format/TFormatCompiler.h"
#include "model/FileResult.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

using namespace tabrix;

namespace {

int ReadWrite(const std::string& path, const std::string& out) {
    TZQPCtrl file;
    file.SetPath(path);
    int result = TParameterFileReader(file).Read();
    if (result != kFileOk) return result;
    FUZZ_CHECK(!file.IsModified());
    for (std::size_t i = 0; i < file.Size(); ++i) {
        FUZZ_CHECK(file.At(i)->Index() == i);
        const TParameter* shown = file.At(i)->DisplayParameter();
        if (shown) {
            bool held = false;
            for (const auto& parameter : file.Parameters())
                held = held || parameter.get() == shown;
            FUZZ_CHECK(held);
        }
    }
    for (const TParameter* used : file.UsedParameters())
        FUZZ_CHECK(used != nullptr && used->Index() < file.Size() &&
                   file.At(used->Index()) == used);
    for (const auto& [code, parameter] : file.CodeMap())
        FUZZ_CHECK(file.FindByCode(code) == parameter);
    file.SetPath(out);
    file.SetModified(true);
    FUZZ_CHECK(TParameterFileWriter(file).Write() == kFileOk);
    FUZZ_CHECK(!file.IsModified());
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path dir = fuzz::ScratchDir();
    const std::string in = (dir / "in.ZQP").string();
    const std::string first = (dir / "first.ZQP").string();
    const std::string second = (dir / "second.ZQP").string();
    fuzz::WriteBytes(in, std::string_view(reinterpret_cast<const char*>(data), size));
    if (ReadWrite(in, first) != kFileOk) return 0;
    FUZZ_CHECK(ReadWrite(first, second) == kFileOk);
    FUZZ_CHECK(fuzz::ReadBytes(first) == fuzz::ReadBytes(second));
    return 0;
}
