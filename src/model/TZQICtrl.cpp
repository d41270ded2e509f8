#include "model/TZQICtrl.h"

#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TFileKind.h"
#include "model/TLibraryCustomise.h"
#include "model/TStringFiler.h"
#include "model/TWindowState.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"  // TZQLCtrl's inline members need the complete type

namespace tabrix {

namespace {

const TFileKind& ThisKind() {
    return TFileKind::Of(FileKind::kInitializeInfo);
}

}  // namespace

FileResult TZQICtrl::Read() {
    // A relative path names a file beside the library file; the resolved path is kept, so the
    // file is written back where it was read from.
    if (library_ != nullptr) path_ = PathName::Resolve(library_->Path(), path_);

    StringList lines;
    TStringFiler filer;
    FileResult result = filer.LoadTagged(lines, path_, ThisKind().headerKind);
    if (result != kFileOk) return result;

    // The file can only fill in keys the store holds, so the defaults go in first and stay for
    // every key the file lacks.
    TWindowState::PutLibraryDefaults(store_);
    TWindowState::PutSubDefaults(store_);
    store_.Parse(lines, 1, -1);
    TLibraryCustomise::ReadKeys(lines, store_);
    return kFileOk;
}

}  // namespace tabrix
