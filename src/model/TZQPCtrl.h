// A parameter definition file (.ZQP): the parameters, the library-wide formats, the import
// formats, the used-parameter list, the drawing font and the row height.
#pragma once

#include <cassert>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/FileResult.h"
#include "model/Progress.h"
#include "model/TCodeData.h"
#include "model/TParameter.h"

namespace tabrix {

class TZQLCtrl;

class TZQPCtrl {
public:
    static constexpr std::uint32_t kModified = 4;
    static constexpr std::int32_t kDefaultFontSize = 9;
    static constexpr std::uint32_t kDefaultRowHeight = 24;

    TZQPCtrl();
    TZQPCtrl(const TZQPCtrl&) = delete;
    TZQPCtrl& operator=(const TZQPCtrl&) = delete;

    // Clears everything, sets the path and the defaults, and marks the file modified.
    void Reset(std::string path);

    // Appends a parameter (a new one when none is given), enters it in the code map and, when
    // alsoUsed, in the used-parameter list.
    TParameter* AddParameter(std::unique_ptr<TParameter> parameter = nullptr,
                             bool alsoUsed = false);

    std::size_t Size() const { return parameters_.size(); }
    TParameter* At(std::size_t i) const {
        assert(i < parameters_.size());
        return parameters_[i].get();
    }
    const std::vector<std::unique_ptr<TParameter>>& Parameters() const { return parameters_; }
    std::vector<std::unique_ptr<TParameter>>& MutableParameters() { return parameters_; }
    // The parameter with this code, or none.
    TParameter* FindByCode(const std::string& code) const;
    std::map<std::string, TParameter*>& CodeMap() { return codeMap_; }
    std::vector<TParameter*>& UsedParameters() { return used_; }
    const std::vector<TParameter*>& UsedParameters() const { return used_; }

    // A file that could not be read when its library was opened is never replaced by what is
    // in memory (the defaults): its writer returns kFileNotRead and the copy on disk stays.
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    TZQLCtrl* OwnerLibrary() const { return ownerLibrary_; }
    void SetOwnerLibrary(TZQLCtrl* library) { ownerLibrary_ = library; }
    std::uint32_t Status() const { return status_; }
    void SetStatus(std::uint32_t status) { status_ = status; }
    bool IsModified() const { return (status_ & kModified) != 0; }
    void SetModified(bool modified) {
        status_ = modified ? (status_ | kModified) : (status_ & ~kModified);
    }
    std::uint32_t OutputType() const { return outputType_; }
    void SetOutputType(std::uint32_t type) { outputType_ = type; }

    StringList& DrawFormat() { return drawFormat_; }
    const StringList& DrawFormat() const { return drawFormat_; }
    StringList& OutputFormat() { return outputFormat_; }
    const StringList& OutputFormat() const { return outputFormat_; }
    // The compiled common formats.
    CodeList& DrawCode() { return drawCode_; }
    const CodeList& DrawCode() const { return drawCode_; }
    CodeList& OutputCode() { return outputCode_; }
    const CodeList& OutputCode() const { return outputCode_; }
    std::vector<StringList>& ImportFormats() { return importFormats_; }
    const std::vector<StringList>& ImportFormats() const { return importFormats_; }

    const std::string& FontName() const { return fontName_; }
    void SetFontName(std::string name) { fontName_ = std::move(name); }
    std::int32_t FontSize() const { return fontSize_; }
    void SetFontSize(std::int32_t size) { fontSize_ = size; }
    std::int32_t FontStyle() const { return fontStyle_; }
    void SetFontStyle(std::int32_t style) { fontStyle_ = style; }
    std::uint32_t FontColour() const { return fontColour_; }
    void SetFontColour(std::uint32_t colour) { fontColour_ = colour; }
    std::uint32_t RowHeight() const { return rowHeight_; }
    void SetRowHeight(std::uint32_t height) { rowHeight_ = height; }

    // Exchanges everything the parameter settings define (parameters, used list, formats and
    // their compiled code, import formats, font, row height) with other, as the same objects:
    // undoing a settings commit puts the definitions it replaced back.
    void ExchangeDefinitions(TZQPCtrl& other);
    // Changed with every settings commit and its undo, so that a history does not put back
    // definitions another one has replaced since (see TEditLog).
    std::uint64_t Revision() const { return revision_; }
    void SetRevision(std::uint64_t revision) { revision_ = revision; }

private:
    std::vector<std::unique_ptr<TParameter>> parameters_;
    std::map<std::string, TParameter*> codeMap_;
    std::vector<TParameter*> used_;
    std::string path_;
    TZQLCtrl* ownerLibrary_ = nullptr;
    std::uint32_t status_ = 0;
    std::uint32_t outputType_ = 0;
    StringList drawFormat_;
    StringList outputFormat_;
    CodeList drawCode_;
    CodeList outputCode_;
    std::vector<StringList> importFormats_;
    std::string fontName_;
    std::int32_t fontSize_ = kDefaultFontSize;
    std::int32_t fontStyle_ = 0;
    std::uint32_t fontColour_ = 0;
    std::uint32_t rowHeight_ = kDefaultRowHeight;
    std::uint64_t revision_ = 0;
    bool readOnly_ = false;
};

}  // namespace tabrix
