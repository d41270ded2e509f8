#!/usr/bin/env python3
"""Builds the seed corpora in tests/fuzz/corpus/<target>/ from the sample library in examples/
and from the texts the unit tests use. Run from anywhere; it rewrites the seed_* files and
leaves other corpus files (regression inputs found by fuzzing) alone."""
import hashlib
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parents[2]
CORPUS = ROOT / "tests" / "fuzz" / "corpus"
BOOKS = ROOT / "examples" / "books"
CUT = b"\n--8<-- "


def sj(text):
    return text.encode("cp932")


def crlf(*lines):
    return b"\r\n".join(sj(l) if isinstance(l, str) else l for l in lines)


def put(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed_*"):
        old.unlink()
    seen = set()
    for data in seeds:
        digest = hashlib.sha1(data).hexdigest()[:12]
        if digest in seen:
            continue
        seen.add(digest)
        (folder / ("seed_" + digest)).write_bytes(data)


def c_literals(path):
    """The string literals of a C++ source, with the simple escapes undone."""
    text = path.read_text(encoding="utf-8")
    out = []
    for match in re.finditer(r'"((?:[^"\\\n]|\\.)*)"', text):
        s = match.group(1)
        s = re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t", "r": "\r", "0": "\0"}.get(
            m.group(1), m.group(1)), s)
        out.append(s)
    return out


# --- the fixed files shared by several targets ---------------------------------------------

ZQD_ALL_TYPES = crlf(
    "Element-Data for Tabrix ver 2.0", "[init]", "[status]0", "[size]2", "[/init]",
    "[elements]", "[init]", "[name]データA", "[size]3", "[/init]", "[data]",
    "1||りんご,,,一#二\\#三||,4294967196,7,,1 0,0 0#2 1#,1,0#5#4294967295,1,1#0#1,3#4000000000,2",
    "0||表示\\,ソフト,,,||,150,0,,,#0 1,-1,,0,,,0",
    "1||\\\\\\||\\%||,,,,2 0,,0",
    "[/data]", "[/elements]",
    "[elements]", "[init]", "[name]データB", "[size]1", "[/init]", "[data]",
    "1||abc,,,x#y#z||,5,1#0",
    "[/data]", "[/elements]")

ZQP_ALL_TYPES = crlf(
    "Parameter-Info for Tabrix ver 2.0", "[init]", "[status]0", "[output_type]0",
    "[draw_font]ＭＳ ゴシック,9,3,255", "[row_height]24",
    "[draw_format]", "%名称% %価格%円", "%IF(個数,>,0)%在庫%END_IF%", "[/draw_format]",
    "[output_format]", "%名称%%\\n%", "[/output_format]", "[use_parameter]0,1,2,0",
    "[import_format]", "%名称%,%価格%", "[/import_format]", "[/init]",
    "[param]", "[name]名称", "[code]名称", "[type]0", "[draw_format]", "[/draw_format]",
    "[output_format]", "[/output_format]", "[str]", "[/str]", "[/param]",
    "[param]", "[name]価格", "[code]価格", "[type]6", "[/param]",
    "[param]", "[name]個数", "[code]個数", "[type]8", "[/param]",
    "[param]", "[name]配列", "[code]配列", "[type]1", "[/param]",
    "[param]", "[name]参照", "[code]参照", "[type]2", "[draw_param]0", "[draw_format]",
    "%名称%", "[/draw_format]", "[output_format]", "%名称%(%参照->名称%)", "[/output_format]",
    "[/param]",
    "[param]", "[name]参照配列", "[code]参照配列", "[type]3", "[draw_param]9", "[/param]",
    "[param]", "[name]グループ", "[code]グループ", "[type]10", "[/param]",
    "[param]", "[name]数列", "[code]数列", "[type]7", "[/param]",
    "[param]", "[name]可否", "[code]可否", "[type]4", "[/param]",
    "[param]", "[name]可否配列", "[code]可否配列", "[type]5", "[str]", "可", "否", "[/str]",
    "[/param]",
    "[param]", "[name]個数配列", "[code]個数配列", "[type]9", "[/param]",
    "[param]", "[name]選択", "[code]選択", "[type]11", "[str]", "赤", "青", "[/str]",
    "[/param]")

ZQI_FULL = crlf(
    "Initialize-Info for Tabrix ver 2.0", "[SubForm]", "[Bounds]400,0,140,300",
    "[SelectGroupNo]1", "[WindowState]0", "[/SubForm]", "[ZQLForm]", "[AutoApply]1",
    "[Bounds]10,20,x,300", "[DragMode]4294967292", "[Panel_BR]-5", "[SubFlattery]2",
    "[WindowState]2", "[/ZQLForm]")

ZQL_ALL_TYPES = crlf(
    "Library-File for Tabrix ver 2.0", "[init]", "[status]0", "[zqp_file]p.ZQP",
    "[zqi_file]i.ZQI", "[output_path]out", "[preview_image]a.JPG", "[preview_memo]", "memo",
    "[/preview_memo]", "[cr_word]2", "[/init]", "[use_group]",
    "[group]", "[name]A", "[zqp_file]p.ZQP", "[zqd_file]d\\d.ZQD", "[gd_index]0", "[status]3",
    "[output_path]a.txt", "[connect_group]1", "[header]", "# %CNG_GROUP->NAME%%\\n%",
    "[/header]", "[footer]", "%CNG_GROUP->SIZE%%\\n%", "[/footer]", "[/group]",
    "[group]", "[name]B", "[zqd_file]d\\d.ZQD", "[gd_index]1", "[status]35",
    "[output_path]sub\\b.txt", "[connect_group]0", "[/group]",
    "[group]", "[name]C", "[zqd_file]d\\d.ZQD", "[gd_index]7", "[/group]",
    "[/use_group]", "[free_text]", "自由", "[/free_text]", "[batch]",
    "[open]", "[type]1", "[name]sort", "[data]", "[JudgeParam]0,1", "[GroupNo]0,1",
    "[Option]0,1,1,1", "[/data]", "[/open]",
    "[change]", "[type]2", "[name]apply", "[data]", "[JudgeParam]0", "[SrcGroup]0",
    "[DstGroup]1", "[ApplyParam]1,2", "[/data]", "[/change]",
    "[close]", "[type]5", "[name]dup", "[data]", "[JudgeParam]0", "[TargetGroup]0,1",
    "[/data]", "[/close]", "[time]", "[type]3", "[/time]", "[/batch]")


def bundle(library, files):
    out = library
    for name, data in files:
        out += CUT + name.encode() + b"\n" + data
    return out


def main():
    books = {p.name: p.read_bytes() for p in [BOOKS / "books.ZQL", BOOKS / "books.ZQP",
                                              BOOKS / "books.ZQI", BOOKS / "data/books.ZQD"]}

    texts = [
        b"", b"a,b,c", b"a\\,b,c", b"(a,b),c", b"((x)),(y", b"\x95\\,\x83\\#", b"  trim\t ",
        sj("表示\\ソフト,かな#カナ"), b"1\r\n2\n3\r4\r", b"\r\n\r\n", b"a*b?c", b"0x1F", b"-1",
        b"010", b"4294967296", b"\x81", b"abc\\", b"\\||,\\#,\\%", b"%d%s%n", b"\x00\x01\x02",
    ]
    division = [bytes([choice]) + t for choice in (0, 1, 3, 4) for t in texts]
    division += [bytes([1]) + books["books.ZQL"], bytes([0]) + books["books.ZQD"]]
    put("fuzz_string_division", division)

    put("fuzz_element_data", [books["books.ZQD"], ZQD_ALL_TYPES,
                              crlf("Element-Data for Tabrix ver 9.9"),
                              crlf("Element-Data for Tabrix ver 2.0", "[init]", "[size]3",
                                   "[/init]", "[elements]", "[data]", "1||||")])
    put("fuzz_parameter_file", [books["books.ZQP"], ZQP_ALL_TYPES])
    put("fuzz_initialize_info", [books["books.ZQI"], ZQI_FULL])
    put("fuzz_library", [
        bundle(books["books.ZQL"], [("books.ZQP", books["books.ZQP"]),
                                    ("books.ZQI", books["books.ZQI"]),
                                    ("data/books.ZQD", books["books.ZQD"])]),
        bundle(ZQL_ALL_TYPES, [("p.ZQP", ZQP_ALL_TYPES), ("i.ZQI", ZQI_FULL),
                               ("d/d.ZQD", ZQD_ALL_TYPES)]),
    ])

    formats = []
    for source in sorted((ROOT / "tests" / "format").glob("*.cpp")):
        for literal in c_literals(source):
            if "%" in literal:
                formats.append(literal)
    for source in [BOOKS / "books.ZQP", BOOKS / "books.ZQL"]:
        for line in source.read_bytes().decode("cp932").split("\r\n"):
            if "%" in line:
                formats.append(line)
    seeds = []
    for i, f in enumerate(sorted(set(formats))):
        try:
            data = f.encode("cp932")
        except UnicodeEncodeError:
            continue
        seeds.append(bytes([i % 256]) + data)
    seeds.append(bytes([0]) + sj("%名称%\x01%参照->名称%\x01%SIZE%\x01%グループ->NAME%\x01# %INDEX%"))
    put("fuzz_format", seeds)

    batch_lines = set()
    for source in sorted((ROOT / "tests" / "batch").glob("*.cpp")):
        for literal in c_literals(source):
            if re.match(r"\[[A-Za-z]+\]", literal):
                batch_lines.add(literal)
    elements = "\n".join(["a" + "りんご\t100\t3\t赤 青", "b" + "みかん\t-5\t3\t青",
                          "a" + "りんご\t100\t4\t", "b" + "ＡＢＣ\t0\t0\tx", "a" + "abc\t7\t7\tx y"])
    ops = [
        (1, ["[JudgeParam]0,1", "[GroupNo]0,1", "[Option]1,1,1,1"]),
        (1, ["[JudgeParam]2,3,6", "[GroupNo]1,0,9", "[Option]0"]),
        (2, ["[JudgeParam]0", "[SrcGroup]0", "[DstGroup]1", "[ApplyParam]1,2,4,6"]),
        (2, ["[JudgeParam]0,99", "[SrcGroup]0,1", "[DstGroup]1,0", "[ApplyParam]5"]),
        (5, ["[JudgeParam]0", "[TargetGroup]0,1"]),
        (5, ["[JudgeParam]", "[TargetGroup]1,1,0"]),
        (3, []), (4, []),
    ]
    batch = []
    for choice, lines in ops:
        batch.append(bytes([choice]) + sj("\n".join(lines) + "\n" + elements))
        batch.append(bytes([choice | 0x80]) + sj("\n".join(lines) + "\n" + elements))
    for i, line in enumerate(sorted(batch_lines)):
        batch.append(bytes([(1, 2, 5)[i % 3]]) + sj(line + "\n" + elements))
    put("fuzz_batch", batch)


if __name__ == "__main__":
    main()
