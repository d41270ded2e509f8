// One group of a library: shows one group data of some element data file and carries the
// group's output settings, header and footer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "model/TCodeData.h"
#include "model/TReferrerSet.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TGroupData;
class TZQLCtrl;
class TZQPCtrl;

class TGroupSetting {
public:
    enum StatusBit : std::uint8_t {
        kOutput = 0x01,        // take part in Output
        kConnect = 0x02,       // join this group's output to its connect group
        kChanged = 0x04,       // reordered or received copied values
        kReadOnly = 0x08,      // sort and compare-apply pass it over
        kOutputDone = 0x10,    // output since its elements last changed
        kAlwaysOutput = 0x20,  // output even when output done is set
    };

    TGroupSetting() = default;
    ~TGroupSetting();
    TGroupSetting(const TGroupSetting&) = delete;
    TGroupSetting& operator=(const TGroupSetting&) = delete;

    std::uint8_t Status() const { return status_; }
    void SetStatus(std::uint8_t status) { status_ = status; }
    bool Has(StatusBit bit) const { return (status_ & bit) != 0; }
    void Set(StatusBit bit, bool on) { status_ = on ? (status_ | bit) : (status_ & ~bit); }

    const std::string& OutputPath() const { return outputPath_; }
    void SetOutputPath(std::string path) { outputPath_ = std::move(path); }
    TGroupData* GroupData() const { return groupData_; }
    void SetGroupData(TGroupData* data) { groupData_ = data; }
    TGroupSetting* ConnectGroup() const { return connectGroup_; }
    void SetConnectGroup(TGroupSetting* group) {
        connectGroup_ = group;
        heldConnect_.reset();
    }
    // A connect group that is a record the library holds but does not show: which of its held
    // records (TZQLCtrl::HeldGroups), written back as that record's number. A connect group
    // set since replaces it.
    std::optional<std::size_t> HeldConnect() const { return heldConnect_; }
    void SetHeldConnect(std::size_t held) { heldConnect_ = held; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    std::uint32_t Number() const { return number_; }
    void SetNumber(std::uint32_t number) { number_ = number; }
    TZQPCtrl* ParameterFile() const { return parameterFile_; }
    void SetParameterFile(TZQPCtrl* file) { parameterFile_ = file; }
    TZQLCtrl* Library() const { return library_; }
    void SetLibrary(TZQLCtrl* library) { library_ = library; }

    StringList& Header() { return header_; }
    const StringList& Header() const { return header_; }
    StringList& Footer() { return footer_; }
    const StringList& Footer() const { return footer_; }
    CodeList& HeaderCode() { return headerCode_; }
    const CodeList& HeaderCode() const { return headerCode_; }
    CodeList& FooterCode() { return footerCode_; }
    const CodeList& FooterCode() const { return footerCode_; }

    // The element values that refer to this group.
    TReferrerSet& Referrers() { return referrers_; }

private:
    TReferrerSet referrers_;
    std::string outputPath_;
    std::string name_;
    StringList header_;
    StringList footer_;
    CodeList headerCode_;
    CodeList footerCode_;
    TGroupData* groupData_ = nullptr;
    TGroupSetting* connectGroup_ = nullptr;
    std::optional<std::size_t> heldConnect_;
    TZQPCtrl* parameterFile_ = nullptr;
    TZQLCtrl* library_ = nullptr;
    std::uint32_t number_ = 0;
    std::uint8_t status_ = kOutput;
};

}  // namespace tabrix
