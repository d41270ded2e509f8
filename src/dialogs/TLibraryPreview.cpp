#include "dialogs/TLibraryPreview.h"

#include "files/TStringFiler.h"
#include "model/FileResult.h"
#include "model/TFileKind.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

bool TLibraryPreview::Read(const std::string& path) {
    imagePath.clear();
    memo.clear();
    TStringFiler filer;
    StringList lines;
    if (filer.LoadTagged(lines, path, TFileKind::Of(FileKind::kLibrary).headerKind) != kFileOk)
        return false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string value = lines[i];
        const std::string tag = filer.CutTag(value);
        if (tag == "[/init") break;  // the preview lives in the init section
        if (tag == "[preview_image")
            imagePath = value;
        else if (tag == "[preview_memo")
            i = TStringFiler::ReadBlock(lines, i, "[/preview_memo]", memo);
    }
    return true;
}

}  // namespace tabrix
