#!/usr/bin/env python3
# Makes the spreadsheet files that test_datafile opens, the way the spreadsheets people use save them. Run it by
# hand when the rows below change; the files it makes are kept with the tests (CI does not run it).
#   excel-cp932.csv      Excel, "CSV (comma delimited)" on a Japanese system: code page 932, CR LF, quotes only
#                        where a cell needs them, LF for a line break inside a cell
#   excel-utf8.csv       Excel, "CSV UTF-8": the same with a UTF-8 byte order mark
#   calc-utf8.csv        LibreOffice Calc's default on Linux: UTF-8 without a mark, LF
#   calc-utf16le.csv     Calc, "Unicode": UTF-16 little-endian with its mark, LF
#   utf16be.csv          UTF-16 big-endian with its mark, CR LF
import csv
import io
import os

JAPANESE_ROWS = [
    ["第一接続", "user01", 'Pa"ss', "03-1234-5678", "ftp.example.jp", "  lead  ", "7h\",Kx'9",
     "http://example.jp/~a/", " ", "pop.example.jp", "smtp.example.jp", "a,b@example.jp", "1行目\n2行目"],
    ["ｶﾀｶﾅ商会"] + [""] * 11 + ['end"'],
]
UNICODE_ROWS = JAPANESE_ROWS + [["Café €", "¥10,000", "😀"] + [""] * 9 + ["〜"]]


def write(name, rows, encoding, mark, line_end):
    text = io.StringIO(newline="")
    csv.writer(text, lineterminator=line_end).writerows(rows)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as out:
        out.write(mark + text.getvalue().encode(encoding))


write("excel-cp932.csv", JAPANESE_ROWS, "cp932", b"", "\r\n")
write("excel-utf8.csv", UNICODE_ROWS, "utf-8", b"\xef\xbb\xbf", "\r\n")
write("calc-utf8.csv", UNICODE_ROWS, "utf-8", b"", "\n")
write("calc-utf16le.csv", UNICODE_ROWS, "utf-16-le", b"\xff\xfe", "\n")
write("utf16be.csv", UNICODE_ROWS, "utf-16-be", b"\xfe\xff", "\r\n")
