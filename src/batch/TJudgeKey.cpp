#include "batch/TJudgeKey.h"

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"

namespace tabrix {

namespace {

void Put32(std::uint64_t value, std::string& key) {
    auto v = static_cast<std::uint32_t>(value);
    char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
    key.append(bytes, 4);
}

void PutText(std::string_view text, std::string& key) {
    Put32(text.size(), key);
    key += text;
}

// A stored list begins with "L" and its item count, a missing one is "-".
bool PutPresence(bool present, std::size_t count, std::string& key) {
    if (!present) {
        key += '-';
        return false;
    }
    key += 'L';
    Put32(count, key);
    return true;
}

}  // namespace

void TJudgeKey::Build(const TElement& e, std::string& key) const {
    key.clear();
    for (const Judge& judge : judges_) {
        const std::uint32_t p = judge.param;
        switch (judge.type) {
            case kTypeString: {
                const TextItems texts = e.Texts(p);
                PutText(texts.empty() ? std::string_view() : texts.front(), key);
                break;
            }
            case kTypeStringArray: {
                const TextItems texts = e.Texts(p);
                if (PutPresence(p < e.TextCount(), texts.size(), key)) {
                    for (std::string_view text : texts)
                        PutText(text, key);
                }
                break;
            }
            case kTypeElementRefArray:
                PutPresence(p < e.NumberCount(), e.Numbers(p).size(), key);
                break;
            case kTypeBool:
            case kTypeSigned:
            case kTypeUnsigned:
            case kTypeListSelection:
                Put32(e.Numbers(p).empty() ? 0 : e.Numbers(p).front(), key);
                break;
            case kTypeBoolArray:
            case kTypeSignedArray:
            case kTypeUnsignedArray: {
                const NumberItems numbers = e.Numbers(p);
                if (PutPresence(p < e.NumberCount(), numbers.size(), key)) {
                    for (NumberItem item : numbers)
                        Put32(item, key);
                }
                break;
            }
            case kTypeGroupRef: {
                const NumberItems numbers = e.Numbers(p);
                const bool none = numbers.empty() || numbers.front() == 0 || !e.HoldsGroupRefs(p);
                if (none) {
                    key += '-';
                } else {
                    const TGroupData* data = TElement::AsGroup(numbers.front())->GroupData();
                    key += 'G';
                    Put32(data ? data->Size() : 0, key);
                }
                break;
            }
            default:  // element references, and unknown types, match whatever they hold
                break;
        }
    }
}

bool TJudgeKey::DependsOnOtherElements() const {
    for (const Judge& judge : judges_) {
        if (judge.type == kTypeGroupRef || judge.type == kTypeElementRefArray) return true;
    }
    return false;
}

}  // namespace tabrix
