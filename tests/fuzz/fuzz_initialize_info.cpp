// The initialize-info reader (.ZQI) on arbitrary file bytes, with the window-state values read
// the way the windows read them. The file written must read back into the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "files/TInitializeInfoReader.h"
#include "files/TInitializeInfoWriter.h"
#include "model/FileResult.h"
#include "model/TWindowState.h"
#include "model/TZQICtrl.h"

using namespace tabrix;

namespace {

int ReadWrite(const std::string& path, const std::string& out) {
    TZQICtrl file;
    file.SetPath(path);
    int result = TInitializeInfoReader(file).Read();
    if (result != kFileOk) return result;
    // What the library and sub windows take from the store when they are laid out.
    (void)TWindowState::ApplyLibrary(file.Store());
    (void)TWindowState::ApplySub(file.Store());
    file.SetPath(out);
    FUZZ_CHECK(TInitializeInfoWriter(file).Write() == kFileOk);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path dir = fuzz::ScratchDir();
    const std::string in = (dir / "in.ZQI").string();
    const std::string first = (dir / "first.ZQI").string();
    const std::string second = (dir / "second.ZQI").string();
    fuzz::WriteBytes(in, std::string_view(reinterpret_cast<const char*>(data), size));
    if (ReadWrite(in, first) != kFileOk) return 0;
    FUZZ_CHECK(ReadWrite(first, second) == kFileOk);
    FUZZ_CHECK(fuzz::ReadBytes(first) == fuzz::ReadBytes(second));
    return 0;
}
