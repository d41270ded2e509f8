#include "files/TInitializeInfoReader.h"

#include "files/TStringFiler.h"
#include "model/PathName.h"
#include "model/TFileKind.h"
#include "model/TLibraryCustomise.h"
#include "model/TWindowState.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

FileResult TInitializeInfoReader::Read() {
    // A relative path names a file beside the library file; the resolved path is kept, so the
    // file is written back where it was read from.
    if (const TZQLCtrl* library = info_.Library())
        info_.SetPath(PathName::Resolve(library->Path(), info_.Path()));

    StringList lines;
    TStringFiler filer;
    FileResult result =
        filer.LoadTagged(lines, info_.Path(), TFileKind::Of(FileKind::kInitializeInfo).headerKind);
    if (result != kFileOk) return result;

    // The file can only fill in keys the store holds, so the defaults go in first and stay for
    // every key the file lacks.
    TMapInitialize& store = info_.Store();
    TWindowState::PutLibraryDefaults(store);
    TWindowState::PutSubDefaults(store);
    store.Parse(lines, 1, -1);
    TLibraryCustomise::ReadKeys(lines, store);
    return kFileOk;
}

}  // namespace tabrix
