// A library for window tests, built through the core: the default parameter 名称 (string) and
// one parameter for each further type, so that parameter i has type code i; two groups, the
// first with four named elements 一, 二, 三, 四.
#pragma once

#include <memory>
#include <string>

#include "model/CoreText.h"
#include "model/TGroupData.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::test {

class PanelLibrary {
public:
    PanelLibrary() {
        controller_.FillNewLibrary(library_);
        TZQPCtrl& file = *library_.ParameterFile();
        const char* names[] = {"名称", "著者", "出版社", "関連", "在庫",     "形態",
                               "価格", "評価", "頁",     "章頁", "シリーズ", "分類"};
        for (int type = 1; type < 12; ++type) {
            auto parameter = std::make_unique<TParameter>();
            parameter->SetName(Cp932(names[type]));
            parameter->SetCode(Cp932(names[type]));
            parameter->SetType(static_cast<std::uint8_t>(type));
            file.AddParameter(std::move(parameter), true);
        }
        file.At(2)->SetDisplayParameter(file.At(0));
        file.At(3)->SetDisplayParameter(file.At(0));
        file.At(5)->Selection() = {Cp932("単行本"), Cp932("文庫"), Cp932("電子版")};
        file.At(11)->Selection() = {Cp932("小説"), Cp932("技術書"), Cp932("随筆")};

        TGroupData* second = library_.Group(0)->GroupData()->Owner()->AddGroupData();
        second->SetName(Cp932("データ 2"));
        library_.AddGroupForGroupData(second)->SetName(Cp932("新刊"));

        library_.AddElements(0, 4);
        const char* elementNames[] = {"一", "二", "三", "四"};
        for (int i = 0; i < 4; ++i)
            Element(i)->SetTexts(0, {Cp932(elementNames[i])});
    }

    static std::string Cp932(const char* utf8) { return TextCodec::FromUtf8(utf8); }

    TZQLCtrl& Library() { return library_; }
    TElement* Element(int i) { return library_.Group(0)->GroupData()->At(i); }

private:
    TTabrixCtrl controller_;
    TZQLCtrl library_;
};

}  // namespace tabrix::test
