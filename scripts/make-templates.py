#!/usr/bin/env python3
"""Writes the template libraries shipped in data/template: each a .ZQL with its .ZQP, .ZQI and
.ZQD, in CP932 with CR LF line ends, as the editor writes them. Run from the repository root
after changing a template here; check the result with `tabrix-cli check` and `tabrix-cli output`.
"""
import os
import sys

TYPES = {"str": 0, "strs": 1, "ref": 2, "refs": 3, "bool": 4, "bools": 5, "int": 6, "ints": 7,
         "uint": 8, "uints": 9, "group": 10, "choice": 11}
TEXT_TYPES = (0, 1)


def esc(text):
    # The library escape map of element texts: backslash, "||", "#", "%" and "," get a backslash.
    out = text.replace("\\", "\\\\").replace("||", "\\||")
    for ch in "#%,":
        out = out.replace(ch, "\\" + ch)
    return out


def write(path, lines):
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("cp932"))


def zqp(params, draw, output):
    lines = ["Parameter-Info for Tabrix ver 2.0", "[init]", "[status]0", "[output_type]0",
             "[draw_font]ＭＳ ゴシック,9,0,0", "[row_height]24", "[draw_format]", *draw,
             "[/draw_format]", "[output_format]", *output, "[/output_format]",
             "[use_parameter]" + ",".join(str(i) for i in range(len(params))),
             "[import_format]", "[/import_format]", "[/init]"]
    for p in params:
        lines += ["[param]", "[name]" + p["name"], "[code]" + p.get("code", p["name"]),
                  "[type]" + str(TYPES[p["type"]]), "[draw_format]", *p.get("draw", []),
                  "[/draw_format]", "[output_format]", *p.get("output", []),
                  "[/output_format]", "[str]", *p.get("choices", []), "[/str]", "[/param]"]
    return lines


def element_line(params, values):
    texts, numbers = [], []
    for p, v in zip(params, values):
        t = TYPES[p["type"]]
        items = v if isinstance(v, list) else ([] if v is None else [v])
        if t in TEXT_TYPES:
            texts.append("#".join(esc(x) for x in items))
            numbers.append("")
        else:
            texts.append("")
            numbers.append("#".join(str(x) for x in items))
    return "1||" + ",".join(texts) + "||" + ",".join(numbers)


def zqd(params, data_name, rows):
    return ["Element-Data for Tabrix ver 2.0", "[init]", "[status]0", "[size]1", "[/init]",
            "[elements]", "[init]", "[name]" + data_name, "[size]" + str(len(rows)), "[/init]",
            "[data]", *[element_line(params, r) for r in rows], "[/data]", "[/elements]"]


def zql(base, memo, group, group_output, header, footer, free_text):
    return ["Library-File for Tabrix ver 2.0", "[init]", "[status]0",
            "[zqp_file]" + base + ".ZQP", "[zqi_file]" + base + ".ZQI", "[output_path]",
            "[preview_image]", "[preview_memo]", *memo, "[/preview_memo]", "[cr_word]0",
            "[/init]", "[use_group]", "[group]", "[name]" + group,
            "[zqp_file]" + base + ".ZQP", "[zqd_file]" + base + ".ZQD", "[gd_index]0",
            "[status]1", "[output_path]" + group_output, "[header]", *header, "[/header]",
            "[footer]", *footer, "[/footer]", "[/group]", "[/use_group]", "[free_text]",
            *free_text, "[/free_text]", "[batch]", "[/batch]"]


def library(folder, base, params, draw, output, data_name, rows, **zql_args):
    write(os.path.join(folder, base + ".ZQP"), zqp(params, draw, output))
    write(os.path.join(folder, base + ".ZQD"), zqd(params, data_name, rows))
    write(os.path.join(folder, base + ".ZQI"), ["Initialize-Info for Tabrix ver 2.0"])
    write(os.path.join(folder, base + ".ZQL"), zql(base, **zql_args))


JOIN = "%WHILE,{0}%%{0}%%IF_EXIST,{0}%{1}%END_IF%%WEND%"


def choice_name(code, choices):
    # A list selection yields its position; its name is written by one IF per choice.
    return "".join("%IF,{0},==,{1}%{2}%END_IF%".format(code, i, name)
                   for i, name in enumerate(choices))


BOOK_KINDS = ["小説", "技術書", "実用書", "漫画", "雑誌", "その他"]
CONTACT_KINDS = ["家族", "親戚", "友人", "仕事", "その他"]

BOOKS = [
    {"name": "書名", "type": "str"},
    {"name": "著者", "type": "strs", "draw": [JOIN.format("著者", "・")],
     "output": [JOIN.format("著者", "、")]},
    {"name": "出版社", "type": "str"},
    {"name": "発行年", "type": "uint"},
    {"name": "価格", "type": "uint"},
    {"name": "分類", "type": "choice",
     "choices": BOOK_KINDS},
    {"name": "既読", "type": "bool"},
    {"name": "評価", "type": "uint"},
    {"name": "形態", "type": "bools", "choices": ["単行本", "文庫", "新書", "電子書籍"]},
    {"name": "メモ", "type": "strs", "draw": [JOIN.format("メモ", " ")],
     "output": [JOIN.format("メモ", "%\\n%      ")]},
]

ADDRESSES = [
    {"name": "氏名", "type": "str"},
    {"name": "ふりがな", "type": "str"},
    {"name": "区分", "type": "choice", "choices": CONTACT_KINDS},
    {"name": "郵便番号", "type": "str"},
    {"name": "住所", "type": "strs", "draw": [JOIN.format("住所", " ")],
     "output": [JOIN.format("住所", "%\\n%    ")]},
    {"name": "電話番号", "type": "strs", "draw": [JOIN.format("電話番号", " / ")],
     "output": [JOIN.format("電話番号", " / ")]},
    {"name": "メール", "type": "str"},
    {"name": "誕生日", "type": "str"},
    {"name": "年賀状", "type": "bools", "choices": ["送る", "受け取った", "喪中"]},
    {"name": "メモ", "type": "strs", "draw": [JOIN.format("メモ", " ")],
     "output": [JOIN.format("メモ", "%\\n%    ")]},
]


def main(root):
    folder = os.path.join(root, "data", "template")
    os.makedirs(folder, exist_ok=True)
    library(
        folder, "蔵書管理", BOOKS,
        draw=["%書名%　／ %著者%%IF_EXIST,出版社%（%出版社%%IF,発行年,!=,0%・%発行年%年%END_IF%）"
              "%END_IF%%IF,既読,==,0%　［未読］%END_IF%"],
        output=["%書名%%\\n%",
                "    著者: %著者%%\\n%",
                "%IF_EXIST,出版社%    出版: %出版社%%IF,発行年,!=,0%（%発行年%年）%END_IF%%\\n%"
                "%END_IF%",
                "%IF,価格,!=,0%    価格: %価格%円（税込 %EDIT(/,EDIT(*,価格,110),100)%円）%\\n%"
                "%END_IF%",
                "    分類: " + choice_name("分類", BOOK_KINDS) +
                "%IF,評価,!=,0%　評価: %評価%／5%END_IF%%IF,既読,==,0%　［未読］%END_IF%%\\n%",
                "%IF_EXIST,メモ%    メモ: %メモ%%\\n%%END_IF%",
                "%\\n%"],
        data_name="蔵書",
        rows=[
            ["吾輩は猫である", ["夏目漱石"], "新潮社", 2003, 693, 0, 1, 4, [0, 1], ["猫の視点で描く明治の世相"]],
            ["プログラミング言語C", ["B.W.カーニハン", "D.M.リッチー"], "共立出版", 1989, 3080, 1, 0, 0,
             [1], ["第2版", "ANSI規格準拠"]],
            ["暮らしの整理術", ["山田花子"], "", 0, 1540, 2, 1, 3, [0, 0, 0, 1], ["電子書籍で購入"]],
        ],
        memo=["蔵書管理のテンプレートです。",
              "書名・著者（複数可）・出版社・発行年・価格・分類・評価・形態を管理し、",
              "「蔵書一覧.txt」に一覧を出力します。"],
        group="蔵書", group_output="蔵書一覧.txt",
        header=["■ %CNG_LIBRARY->FREE_TEXT->0%%\\n%", "%\\n%"],
        footer=["――――――――――――――――%\\n%", "計 %CNG_GROUP->SIZE% 冊%\\n%"],
        free_text=["蔵書一覧"])
    library(
        folder, "住所録", ADDRESSES,
        draw=["%氏名%%IF_EXIST,ふりがな%（%ふりがな%）%END_IF%　〒%郵便番号% %住所%"],
        output=["%氏名%%IF_EXIST,ふりがな%（%ふりがな%）%END_IF%　[" +
                choice_name("区分", CONTACT_KINDS) + "]%\\n%",
                "    〒%郵便番号%%\\n%",
                "    %住所%%\\n%",
                "%IF_EXIST,電話番号%    TEL: %電話番号%%\\n%%END_IF%",
                "%IF_EXIST,メール%    Mail: %メール%%\\n%%END_IF%",
                "%IF_EXIST,誕生日%    誕生日: %誕生日%%\\n%%END_IF%",
                "%IF_EXIST,メモ%    メモ: %メモ%%\\n%%END_IF%",
                "%\\n%"],
        data_name="連絡先",
        rows=[
            ["山田太郎", "やまだたろう", 2, "100-0001", ["東京都千代田区千代田1-1", "○○マンション101"],
             ["03-1234-5678", "090-1234-5678"], "taro@example.jp", "4月1日", [1, 1], ["大学の同期"]],
            ["佐藤花子", "さとうはなこ", 3, "530-0001", ["大阪府大阪市北区梅田1-1-1"],
             ["06-9876-5432"], "", "", [1, 0], ["仕事の取引先"]],
        ],
        memo=["住所録のテンプレートです。",
              "氏名・ふりがな・区分・郵便番号・住所（複数行）・電話番号・メール・誕生日を管理し、",
              "「住所録.txt」に宛名一覧を出力します。"],
        group="連絡先", group_output="住所録.txt",
        header=["■ %CNG_LIBRARY->FREE_TEXT->0%（%CNG_GROUP->SIZE% 件）%\\n%", "%\\n%"],
        footer=[],
        free_text=["住所録"])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.getcwd())
