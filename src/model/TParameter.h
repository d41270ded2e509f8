// One parameter (typed column) of a parameter definition file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/ParamType.h"
#include "model/TCodeData.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TParameter {
public:
    static constexpr std::int32_t kDefaultInputBoxHeight = 90;

    TParameter();
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    std::uint32_t Index() const { return index_; }
    void SetIndex(std::uint32_t index) { index_ = index; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Code() const { return code_; }
    void SetCode(std::string code) { code_ = std::move(code); }
    std::uint8_t Type() const { return type_; }
    void SetType(std::uint8_t type) { type_ = type; }
    std::int32_t InputBoxHeight() const { return inputBoxHeight_; }
    void SetInputBoxHeight(std::int32_t height) { inputBoxHeight_ = height; }

    StringList& Selection() { return selection_; }
    const StringList& Selection() const { return selection_; }
    StringList& DrawFormat() { return drawFormat_; }
    const StringList& DrawFormat() const { return drawFormat_; }
    StringList& OutputFormat() { return outputFormat_; }
    const StringList& OutputFormat() const { return outputFormat_; }
    // The compiled own formats (composite types only).
    CodeList& DrawCode() { return drawCode_; }
    const CodeList& DrawCode() const { return drawCode_; }
    CodeList& OutputCode() { return outputCode_; }
    const CodeList& OutputCode() const { return outputCode_; }

    // The parameter of a referenced element used to draw it; none once that parameter has been
    // destroyed, so a deleted display parameter is never followed or written.
    TParameter* DisplayParameter() const;
    void SetDisplayParameter(const TParameter* parameter);

private:
    // Shared with the display-parameter links of other parameters; expires with this object.
    std::shared_ptr<TParameter*> self_;
    std::weak_ptr<TParameter*> display_;

    std::string name_;
    std::string code_;
    StringList selection_;
    StringList drawFormat_;
    StringList outputFormat_;
    CodeList drawCode_;
    CodeList outputCode_;
    std::uint32_t index_ = 0;
    std::int32_t inputBoxHeight_ = kDefaultInputBoxHeight;
    std::uint8_t type_ = kTypeString;
};

}  // namespace tabrix
