#include "BenchLibrary.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include "files/TElementDataWriter.h"
#include "files/TInitializeInfoWriter.h"
#include "files/TLibraryWriter.h"
#include "files/TParameterFileWriter.h"
#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::bench {

namespace fs = std::filesystem;

namespace {

// splitmix64: the same numbers on every platform and standard library, unlike the
// distributions of <random>.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    bool OneIn(std::size_t n) { return Below(n) == 0; }

private:
    std::uint64_t state_;
};

std::string Sj(const std::string& utf8) {
    std::string cp932;
    if (!TextCodec::FromUtf8(utf8, cp932))
        std::fprintf(stderr, "tabrix-bench: no CP932 form for %s\n", utf8.c_str());
    return cp932;
}

std::vector<std::string> SjList(const std::vector<std::string>& utf8) {
    std::vector<std::string> out;
    for (const std::string& text : utf8)
        out.push_back(Sj(text));
    return out;
}

// Words of the titles. 表, ソ and 能 end in the byte 0x5C, the escape character, and a title
// starting with one of them meets the cutter's rule for the second byte near a text's start;
// the Latin, full-width, half-width and hiragana spellings exercise every sort folding.
const std::vector<std::string>& TitleWords() {
    static const std::vector<std::string> words = SjList({
        "表計算", "ソフト", "能率",  "機能",  "表現",       "ソース", "データ",     "入門",
        "実践",   "設計",   "構造",  "ねこ",  "さくら",     "ｶﾞｲﾄﾞ",  "ﾊﾟｿｺﾝ",      "ソフト",
        "ｿﾌﾄ",    "そふと", "Linux", "LINUX", "ＬＩＮＵＸ", "Ｃ＋＋", "network",    "予算表",
        "十能",   "ソナタ", "暗号",  "図表",  "能登",       "読本",   "ばいおりん", "Ｄａｔａ",
    });
    return words;
}

// The escaped characters of element texts, each somewhere in a title now and then.
const std::vector<std::string>& EscapedPieces() {
    static const std::vector<std::string> pieces = SjList({
        "50%引き",
        "A#B",
        "C,D",
        "x\\y",
        "p||q",
        "表\\",
        "ソ#",
        "能,",
    });
    return pieces;
}

const std::vector<std::string>& AuthorNames() {
    static const std::vector<std::string> names = SjList({
        "山田 太郎",
        "佐藤 花子",
        "表 能子",
        "ソン 太一",
        "ｶﾞｲﾄﾞ編集部",
        "John Smith",
        "鈴木#一郎",
        "田中,次郎",
        "100%出版",
        "A\\B",
        "a||b",
        "たなか",
    });
    return names;
}

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}

std::string TwoDigits(std::size_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02zu", value % 100);
    return buffer;
}

std::string MakeTitle(Random& random, std::size_t elements) {
    const auto& words = TitleWords();
    std::string title;
    const std::size_t count = 4 + random.Below(3);
    for (std::size_t k = 0; k < count; ++k)
        title += words[random.Below(words.size())];
    if (random.OneIn(16)) title += EscapedPieces()[random.Below(EscapedPieces().size())];
    title += Sj(" 第") + Number(random.Below(elements) + 1) + Sj("巻");
    return title;
}

TextList MakeAuthors(Random& random) {
    TextList authors;
    const std::size_t count = random.Below(6);  // 0 .. 5
    for (std::size_t k = 0; k < count; ++k)
        authors.push_back(AuthorNames()[random.Below(AuthorNames().size())]);
    return authors;
}

TParameter* AddParameter(TZQPCtrl& file, const char* code, std::uint8_t type) {
    auto parameter = std::make_unique<TParameter>();
    parameter->SetName(Sj(code));
    parameter->SetCode(Sj(code));
    parameter->SetType(type);
    return file.AddParameter(std::move(parameter), true);
}

void SetOwnFormat(TParameter& parameter, const std::string& utf8) {
    parameter.DrawFormat() = {Sj(utf8)};
    parameter.OutputFormat() = {Sj(utf8)};
}

// One element line of the export; see WriteAwk for the columns.
void AppendRow(const TGroupSetting& group, const std::string& freeText, const TElement& e,
               std::string& out) {
    auto text = [&](std::uint32_t p) -> std::string {
        const TextItems texts = e.Texts(p);
        return texts.empty() ? std::string() : std::string(texts.front());
    };
    auto number = [&](std::uint32_t p) -> std::uint32_t {
        const NumberItems numbers = e.Numbers(p);
        return numbers.empty() ? 0 : static_cast<std::uint32_t>(numbers.front());
    };
    out += group.OutputPath();
    out += '\t';
    out += group.Name();
    out += '\t';
    out += Number(group.GroupData()->Size());
    out += '\t';
    out += freeText;
    out += '\t';
    out += Number(e.Index());
    out += '\t';
    out += Number(e.OutputFlag());
    out += '\t';
    out += text(kTitle);
    out += '\t';
    const TextItems authors = e.Texts(kAuthors);
    for (std::size_t k = 0; k < authors.size(); ++k) {
        if (k) out += ';';
        out += authors[k];
    }
    out += '\t';
    out += std::to_string(static_cast<std::int32_t>(number(kPrice)));
    out += '\t';
    out += Number(number(kPages));
    out += '\t';
    out += Number(number(kInStock));
    out += '\t';
    out += Number(number(kCategory));
    out += '\t';
    const NumberItems publisher = e.Numbers(kPublisher);
    if (e.HoldsElementRefs(kPublisher) && !publisher.empty() && publisher.front() != 0) {
        const TElement* target = TElement::AsElement(publisher.front());
        const TextItems titles = target->Texts(kTitle);
        if (!titles.empty()) out += titles.front();
    }
    out += '\t';
    const NumberItems series = e.Numbers(kSeries);
    if (e.HoldsGroupRefs(kSeries) && !series.empty() && series.front() != 0) {
        const TGroupSetting* target = TElement::AsGroup(series.front());
        if (target->GroupData() && target->GroupData()->Size() > 0) out += target->Name();
    }
    out += '\n';
}

// The awk program that writes, from the export, the files Output writes: per group a header,
// one line per element marked for output, a footer, lines ended by CR LF.
// Columns: 1 output file, 2 group name, 3 group size, 4 free text 0, 5 index, 6 output flag,
// 7 title, 8 authors joined by ";", 9 price, 10 pages, 11 in stock, 12 category,
// 13 publisher's title, 14 series group name.
constexpr const char* kAwkProgram = R"AWK(BEGIN { FS = "\t"; eol = "\r\n" }
function footer() { printf "計 %s 件%s", size, eol > out; close(out) }
$1 != file {
    if (file != "") footer()
    file = $1; out = dir "/" file; size = $3
    printf "# %s（%s）%s", $2, $4, eol > out
}
$6 != 0 {
    n = split($8, names, ";"); authors = ""
    for (i = 1; i <= n; i++) authors = authors (i > 1 ? "、" : "") names[i]
    line = $5 ": " $7 " / " authors " / " $9 "円 / " $10 "ページ"
    if ($11 == 0) line = line "（品切れ）"
    line = line " [" $12 "] "
    if ($13 != "") line = line "出版社:" $13 " "
    printf "%sシリーズ:%s%s", line, $14, eol > out
}
END { if (file != "") footer() }
)AWK";

std::string AwkProgram() {
    return Sj(kAwkProgram);
}

// The backslashes of the program's own escapes; UTF-8 never has the byte 0x5C inside a
// character, so the CP932 form must have exactly these.
std::ptrdiff_t AwkBackslashes() {
    const std::string_view utf8 = kAwkProgram;
    return std::count(utf8.begin(), utf8.end(), '\\');
}

bool WriteBytes(const std::string& path, const std::string& bytes, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) error = "cannot write " + path;
    return static_cast<bool>(out);
}

}  // namespace

LibraryFiles LibraryFiles::In(const std::string& folder, std::size_t groups) {
    LibraryFiles files;
    files.folder = folder;
    files.library = folder + "/lib.ZQL";
    files.parameters = folder + "/lib.ZQP";
    files.info = folder + "/lib.ZQI";
    files.data.push_back(folder + "/data/a.ZQD");
    if (groups > 1) files.data.push_back(folder + "/data/b.ZQD");
    files.tsv = folder + "/elements.tsv";
    files.awk = folder + "/output.awk";
    files.keys = folder + "/keys.txt";
    return files;
}

std::uint64_t DataBytes(const LibraryFiles& files) {
    std::uint64_t total = 0;
    std::error_code ignored;
    for (const std::string& path : files.data)
        total += fs::file_size(path, ignored);
    return total;
}

bool WriteLibrary(const LibraryShape& shape, const std::string& folder, std::string& error) {
    const std::size_t groupCount = shape.groups > 1 ? 10 : 1;
    const LibraryFiles files = LibraryFiles::In(folder, groupCount);
    std::error_code ec;
    fs::create_directories(folder + "/data", ec);
    if (ec) {
        error = "cannot create " + folder + "/data: " + ec.message();
        return false;
    }

    TTabrixCtrl controller;
    TZQLCtrl library;
    controller.RegisterLibrary(library);
    library.SetPath(files.library);
    library.SetOutputPath(folder + "/out");
    library.SetInitializeInfo(std::make_unique<TZQICtrl>());
    library.InitializeInfo()->SetPath(files.info);
    library.FreeText() = {Sj("表ソ能ベンチ")};

    auto parameterFile = std::make_unique<TZQPCtrl>();
    parameterFile->Reset(files.parameters);
    TZQPCtrl& parameters = *library.AttachParameterFile(std::move(parameterFile));
    parameters.ImportFormats().emplace_back();
    TParameter* title = AddParameter(parameters, "書名", kTypeString);
    TParameter* authors = AddParameter(parameters, "著者", kTypeStringArray);
    AddParameter(parameters, "価格", kTypeSigned);
    AddParameter(parameters, "頁", kTypeUnsigned);
    AddParameter(parameters, "在庫", kTypeBool);
    TParameter* category = AddParameter(parameters, "分類", kTypeListSelection);
    TParameter* publisher = AddParameter(parameters, "出版社", kTypeElementRef);
    TParameter* series = AddParameter(parameters, "シリーズ", kTypeGroupRef);
    category->Selection() = SjList({"小説", "技術書", "随筆"});
    SetOwnFormat(*authors, "%WHILE,著者%%著者%%IF_EXIST,著者%、%END_IF%%WEND%");
    SetOwnFormat(*publisher, "%書名%");
    publisher->SetDisplayParameter(title);
    SetOwnFormat(*series, "%CNG_GROUP->NAME%");
    parameters.DrawFormat() = {Sj("%書名%（%著者%）")};
    parameters.OutputFormat() = {
        Sj("%INDEX%: %書名% / %著者% / %価格%円 / %頁%ページ%IF,在庫,==,0%（品切れ）%END_IF%"),
        Sj(" [%分類%] %IF_EXIST,出版社%出版社:%出版社% %END_IF%シリーズ:%シリーズ%%\\n%")};

    // Groups 0-4 over the first element data file, 5-9 over the second.
    std::vector<TZQDCtrl*> dataFiles;
    for (const std::string& path : files.data)
        dataFiles.push_back(controller.AddElementDataFile(std::make_unique<TZQDCtrl>(path)));
    const std::size_t perFile = (groupCount + dataFiles.size() - 1) / dataFiles.size();
    std::vector<TGroupData*> groupData;
    for (std::size_t g = 0; g < groupCount; ++g) {
        TGroupData* data = dataFiles[g / perFile]->AddGroupData();
        data->SetName(Sj("データ") + TwoDigits(g + 1));
        TGroupSetting* group = library.AddGroupForGroupData(data);
        group->SetName(Sj("グループ表") + TwoDigits(g + 1));
        group->SetOutputPath(std::string(1, 'g').append(TwoDigits(g + 1)).append(".txt"));
        group->Header() = {Sj("# %CNG_GROUP->NAME%（%CNG_LIBRARY->FREE_TEXT->0%）%\\n%")};
        group->Footer() = {Sj("計 %CNG_GROUP->SIZE% 件%\\n%")};
        const std::size_t size =
            shape.elements / groupCount + (g < shape.elements % groupCount ? 1 : 0);
        data->AddElements(size);
        groupData.push_back(data);
    }

    // Values. About one element in twenty repeats the title and price of an earlier one, so
    // that duplicate deletion and compare-apply find matches.
    Random random(shape.seed);
    std::vector<const TElement*> made;
    made.reserve(shape.elements);
    for (std::size_t g = 0; g < groupCount; ++g) {
        TGroupData& data = *groupData[g];
        TGroupData& targets = *groupData[(g + 1) % groupCount];
        for (std::size_t i = 0; i < data.Size(); ++i) {
            TElement& e = *data.At(i);
            if (!made.empty() && random.OneIn(20)) {
                const TElement& original = *made[random.Below(made.size())];
                e.SetTextItems(kTitle, original.Texts(kTitle));
                e.SetNumbers(kPrice, {static_cast<std::uint32_t>(original.Numbers(kPrice)[0])});
            } else {
                e.SetTexts(kTitle, {MakeTitle(random, shape.elements)});
                auto price = static_cast<std::int32_t>(random.Below(11000)) - 1000;
                e.SetNumbers(kPrice, {static_cast<std::uint32_t>(price)});
            }
            e.SetTexts(kAuthors, MakeAuthors(random));
            e.SetNumbers(kPages, {static_cast<std::uint32_t>(1 + random.Below(2000))});
            e.SetNumbers(kInStock, {random.OneIn(5) ? 0u : 1u});
            e.SetNumbers(kCategory, {static_cast<std::uint32_t>(random.Below(3))});
            if (random.OneIn(10))
                e.SetElementRefs(kPublisher, {nullptr});
            else
                e.SetElementRefs(kPublisher, {targets.At(random.Below(targets.Size()))});
            if (random.OneIn(5))
                e.SetGroupRefs(kSeries, {nullptr});
            else
                e.SetGroupRefs(kSeries, {library.Group(random.Below(groupCount))});
            if (random.OneIn(20)) e.SetOutputFlag(0);
            made.push_back(&e);
        }
    }

    // The export, the awk program and the keys come from the same elements.
    std::string tsv;
    std::string keys;
    tsv.reserve(shape.elements * 160);
    keys.reserve(shape.elements * 48);
    for (std::size_t g = 0; g < groupCount; ++g) {
        const TGroupSetting& group = *library.Group(g);
        for (const auto& e : group.GroupData()->Elements()) {
            AppendRow(group, library.FreeText().front(), *e, tsv);
            keys += e->Texts(kTitle).front();
            keys += '\n';
        }
    }
    const std::string awk = AwkProgram();
    if (std::count(awk.begin(), awk.end(), '\\') != AwkBackslashes()) {
        // A CP932 literal whose second byte is 0x5C would be read as an escape by awk.
        error = "a text of the awk program has a second byte 0x5C";
        return false;
    }
    if (!WriteBytes(files.tsv, tsv, error) || !WriteBytes(files.awk, awk, error) ||
        !WriteBytes(files.keys, keys, error))
        return false;

    for (TZQDCtrl* file : dataFiles) {
        file->SetModified(true);
        if (int result = TElementDataWriter(*file, library).Write(); result != 0) {
            error = "cannot write " + file->Path() + " (result " + std::to_string(result) + ")";
            return false;
        }
    }
    library.SetModified(true);
    parameters.SetModified(true);
    const int results[] = {TLibraryWriter(library).Write(),
                           TParameterFileWriter(parameters).Write(),
                           TInitializeInfoWriter(*library.InitializeInfo()).Write()};
    for (int result : results) {
        if (result != 0) {
            error = "cannot write the library files in " + folder;
            return false;
        }
    }
    return true;
}

std::uint64_t ResidentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    unsigned long long size = 0, resident = 0;
    int read = std::fscanf(statm, "%llu %llu", &size, &resident);
    std::fclose(statm);
    if (read != 2) return 0;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

std::uint64_t PeakResidentBytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace tabrix::bench
