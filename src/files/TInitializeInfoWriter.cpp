#include "files/TInitializeInfoWriter.h"

#include "files/TStringFiler.h"
#include "model/TFileKind.h"
#include "model/TZQICtrl.h"

namespace tabrix {

FileResult TInitializeInfoWriter::Write(TFileWriter& writer) const {
    if (info_.IsReadOnly()) return kFileNotRead;
    const TFileKind& kind = TFileKind::Of(FileKind::kInitializeInfo);
    StringList lines{kind.HeaderLine()};
    info_.Store().Serialise(lines);
    TStringFiler filer;
    return filer.SaveTagged(lines, info_.Path(), kind.headerKind, TStringFiler::kCrLf, writer);
}

}  // namespace tabrix
