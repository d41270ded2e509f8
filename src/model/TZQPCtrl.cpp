#include "model/TZQPCtrl.h"

#include <utility>

#include "model/CoreText.h"

namespace tabrix {

TZQPCtrl::TZQPCtrl() : fontName_(CoreText::Get(CoreText::kDefaultFontName)) {}

void TZQPCtrl::Reset(std::string path) {
    used_.clear();
    codeMap_.clear();
    parameters_.clear();
    drawFormat_.clear();
    outputFormat_.clear();
    importFormats_.clear();
    path_ = std::move(path);
    fontName_ = CoreText::Get(CoreText::kDefaultFontName);
    fontSize_ = kDefaultFontSize;
    fontStyle_ = 0;
    fontColour_ = 0;
    rowHeight_ = kDefaultRowHeight;
    outputType_ = 0;
    status_ = kModified;  // a new file is written at the next save
}

void TZQPCtrl::ExchangeDefinitions(TZQPCtrl& other) {
    parameters_.swap(other.parameters_);
    codeMap_.swap(other.codeMap_);
    used_.swap(other.used_);
    drawFormat_.swap(other.drawFormat_);
    outputFormat_.swap(other.outputFormat_);
    drawCode_.swap(other.drawCode_);
    outputCode_.swap(other.outputCode_);
    importFormats_.swap(other.importFormats_);
    fontName_.swap(other.fontName_);
    std::swap(fontSize_, other.fontSize_);
    std::swap(fontStyle_, other.fontStyle_);
    std::swap(fontColour_, other.fontColour_);
    std::swap(rowHeight_, other.rowHeight_);
}

TParameter* TZQPCtrl::AddParameter(std::unique_ptr<TParameter> parameter, bool alsoUsed) {
    if (!parameter) parameter = std::make_unique<TParameter>();
    parameter->SetIndex(static_cast<std::uint32_t>(parameters_.size()));
    TParameter* added = parameter.get();
    codeMap_[added->Code()] = added;  // a later parameter with the same code wins
    parameters_.push_back(std::move(parameter));
    if (alsoUsed) used_.push_back(added);
    return added;
}

TParameter* TZQPCtrl::FindByCode(const std::string& code) const {
    auto found = codeMap_.find(code);
    return found == codeMap_.end() ? nullptr : found->second;
}

}  // namespace tabrix
