#include "files/TLibraryOpener.h"

#include "files/TLibraryReader.h"
#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

FileResult TLibraryOpener::OpenLibrary(TZQLCtrl& library, const std::string& path,
                                       const Progress& progress) {
    std::string previousPath = library.Path();
    // Through a link, the library lives where the link leads: its files are found beside it
    // there, and saving replaces that file while the link stays a link.
    library.SetPath(FileIdentity::FollowLinks(path));
    if (!library.ParameterFile()) {
        auto file = std::make_unique<TZQPCtrl>();
        file->Reset("");
        library.AttachParameterFile(std::move(file));
    }
    if (!library.InitializeInfo()) library.SetInitializeInfo(std::make_unique<TZQICtrl>());
    TLibraryReader reader(library);
    FileResult result = reader.Read(progress);
    if (result != kFileOk) {
        library.SetPath(previousPath);
        return result;
    }
    Report(progress, CoreText::Get(CoreText::kNormalisingRefs));
    reader.ResolveReferences();
    controller_.RegisterLibrary(library);
    Report(progress, "");
    return kFileOk;
}

std::unique_ptr<TZQLCtrl> TLibraryOpener::OpenNewLibrary(const std::string& path,
                                                         FileResult& result,
                                                         const Progress& progress) {
    auto library = std::make_unique<TZQLCtrl>();
    // Registered before reading, so that its groups find their element data files.
    controller_.RegisterLibrary(*library);
    result = OpenLibrary(*library, path, progress);
    if (result != kFileOk) return nullptr;
    return library;
}

}  // namespace tabrix
