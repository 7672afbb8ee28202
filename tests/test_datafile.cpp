// The bytes of a book file: code page 932, the reader's layouts and encodings, the bytes written, the check before
// every save, and rescue copies. Writing them to disk is the book session's test.
#include "store/BookFormat.h"
#include "support/Children.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"

#include <memory>

using namespace store;
using namespace testsupport;

namespace {

// The bytes read into a table of their own.
struct Parsed
{
    explicit Parsed(const QByteArray& data) : result(parseBook(data, *table)) {}
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    ParsedBook result;
    QString record(int r) const { return QStringList((*table)[r].begin(), (*table)[r].end()).join('|'); }
};

TEST(Cp932, JapaneseRoundTripsAndNineCharactersComeBackAsOthers)
{
    const QByteArray japanese = QByteArray::fromHex("8abf8e9a b6c0b6c5 82a982c8 82608181 61");
    EXPECT_EQ(fromCp932(japanese), "漢字ｶﾀｶﾅかなＡ＝a");
    EXPECT_EQ(toCp932("漢字ｶﾀｶﾅかなＡ＝a"), japanese);
    EXPECT_EQ(fromCp932("\x80z\x81 x\xA0\x82"), "?z? x??") << "one \"?\" per bad byte, and on after it";
    // A surrogate pair is one character, and so is a lone surrogate.
    EXPECT_EQ(toCp932(QString("x😀y") + QChar(0xD800) + "z" + QChar(0xDC00)), "x?y?z?");
    // Seven characters come back as full-width look-alikes and pass unnamed; the yen sign and the overline come back
    // as "\" and "~", and what has no code at all becomes "?", each named once (test_mainwindow names all three).
    EXPECT_EQ(fromCp932(toCp932("¢£¬—‖−〜¥‾")), "￠￡￢―∥－～\\~");
    EXPECT_EQ(changedCharacters(cp932Changes("a€〜−¢‖😀ẞ€😀")), "€😀ẞ");
}

// The book's own layout reads by the old sequential-input rules, whatever stands on a line; a first row of 13
// comma-separated cells is a spreadsheet's (tests/samples, made by make-samples.py there): quotes doubled, blanks
// kept, any line end, rows of 13, in UTF-8 where it plainly is. A byte order mark tells the encoding. End of file is
// tested before each record, and a book holds 1000 records at most (test_mainwindow opens a book of 27 lines and one
// of 1001 records).
TEST(ParseBook, LayoutsTheirRulesAndTheirLimits)
{
    using enum FileError;
    using enum Layout;
    using enum Encoding;
    const auto sample = [](const char* name) {
        return readAll(QStringLiteral(KEYFOLD_TEST_SAMPLES "/%1.csv").arg(name));
    };
    struct Case
    {
        const char* what;
        QByteArray file;
        FileError error = FileError::None;
        QStringList records = {}; // checked cell for cell
        int count = -1;           // the records read, when not records.size()
        Layout layout = Layout::Comma;
        Encoding encoding = Encoding::Cp932;
    };
    const QByteArray row = "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n";
    const QStringList japanese = {
        "第一接続|user01|Pa\"ss|03-1234-5678|ftp.example.jp|  lead  |7h\",Kx'9|http://example.jp/~a/| "
        "|pop.example.jp|smtp.example.jp|a,b@example.jp|1行目\n2行目",
        "ｶﾀｶﾅ商会||||||||||||end\""};
    const QStringList unicode = japanese + QStringList{"Café €|¥10,000|😀||||||||||〜"};
    const Case cases[] = {
        {.what = "the book's own layout",
         .file = QByteArray("  a b  ,\t\"q\",x\"y\rB\n") + toCp932("ｱｲ,漢字\r\n") +
                 "\"ab\"cd\"ef\" \r\n\"x,y\"\r\n  \t\"  pad  \"  \r\n\"two\r\nlines\"\r\n\"Se\"cret,1\"\r\n\"a\" ,b\r\n"
                 "\"end\"\"\r\n" +
                 QByteArray("\"\"\r\n").repeated(11) + "\"unclosed,\r\nto the end",
         .records = {"a b|q|x\"y|B|ｱｲ|漢字|ab\"cd\"ef|x,y|  pad  |two\r\nlines|Se\"cret,1|a|b",
                     "end\"||||||||||||unclosed,\r\nto the end"},
         .layout = Book},
        {.what = "1001 rows", .file = row.repeated(1001), .error = TooManyRecords, .count = 1000},
        // A scan that went back over what it passed would run for hours here.
        {.what = "32 MiB of blanks", .file = QByteArray(32 << 20, ' '), .error = InputPastEndOfFile, .layout = Book},
        {.what = "quotes, blanks, commas and line breaks in cells, every line end, empty lines at the end",
         .file = " a ,\"Pa\"\"ss\",\"x,\r\ny\",,,,,,,,,, \r\"q\"tail,2,3,4,5,6,7,8,9,10,11,12,\"\"\"\"\n"
                 "3,,,,,,,,,,,,\r\n\r\n\n",
         .records = {" a |Pa\"ss|x,\r\ny|||||||||| ", "qtail|2|3|4|5|6|7|8|9|10|11|12|\"", "3||||||||||||"}},
        {.what = "a row one cell short", .file = row + "b,,,,,,,,,,,\r\n", .error = InputPastEndOfFile, .count = 1},
        {.what = "a row one cell over", .file = row + "b,,,,,,,,,,,,,\r\n", .error = InputPastEndOfFile, .count = 1},
        {.what = "every cell quoted",
         .file = "\"a\", \"b\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"m\"",
         .records = {"a| \"b\"|||||||||||m"}},
        // The writer's own record "\"", ",,,,,,,,,,,," and "\"" is one 13-cell row to a spreadsheet, but it is a
        // book's: its quotes open or end lines, none stands before a comma.
        {.what = "a book that looks like a row",
         .file = "\"\"\"\r\n\",,,,,,,,,,,,\"\r\n\"\"\"\r\n" + QByteArray("\"\"\r\n").repeated(10),
         .records = {"\"|,,,,,,,,,,,,|\"||||||||||"},
         .layout = Book},
        {.what = "a first row of 12 cells", .file = "a,,,,,,,,,,,\r\nb", .records = {"a||||||||||||b"}, .layout = Book},
        {.what = "Excel", .file = sample("excel-cp932"), .records = japanese},
        {.what = "Excel UTF-8", .file = sample("excel-utf8"), .records = unicode, .encoding = Utf8},
        {.what = "Calc UTF-8", .file = sample("calc-utf8"), .records = unicode, .encoding = Utf8},
        {.what = "Calc UTF-16", .file = sample("calc-utf16le"), .records = unicode, .encoding = Utf16LE},
        {.what = "UTF-16BE", .file = sample("utf16be"), .records = unicode, .encoding = Utf16BE},
        // With a mark but without 13-cell rows, cells follow one another, 13 a record, whatever the rows.
        {.what = "a mark and one cell a line",
         .file = "\xEF\xBB\xBF\"a\"\r\n\"b\"\"c\"\r\n" + QByteArray("x\r\n").repeated(11),
         .records = {"a|b\"c|x|x|x|x|x|x|x|x|x|x|x"},
         .layout = Book,
         .encoding = Utf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Parsed p(c.file);
        EXPECT_EQ(std::tuple(p.result.layout, p.result.encoding, p.result.error, p.result.recordCount),
                  std::tuple(c.layout, c.encoding, c.error, c.count < 0 ? int(c.records.size()) : c.count));
        for (int r = 0; r < c.records.size(); ++r) {
            EXPECT_EQ(p.record(r), c.records[r]);
        }
        EXPECT_EQ(p.record(Module1::MaxRecords), "||||||||||||") << "the blank slot is left alone";
    }
}

TEST(Writers, ExactBytesWhatWouldNotReadBackAndARescueCopyThatReopensCellForCell)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0] = {"a\"b", "漢€"};
    (*table)[0][12] = "end";
    (*table)[1][0] = "not written";
    EXPECT_EQ(formatBook(*table, 1),
              "\"a\"b\"\r\n\"\x8a\xbf?\"\r\n" + QByteArray("\"\"\r\n").repeated(10) + "\"end\"\r\n");
    const QByteArray original = bookBytes(2).replace("\"r1f3\"", toCp932("\"ｶﾅ 漢字 \t\""));
    const Parsed p(original);
    EXPECT_EQ(formatBook(*p.table, p.result.recordCount), original);

    // Before any save the bytes are read back: "?" and look-alikes pass, a cell the reader would cut stops the save
    // (test_book_session saves one, test_mainwindow lists what a save would change).
    (*table)[0] = {"€ and \" quotes\"\" are fine", "〜"};
    EXPECT_EQ(firstCellNotReadBack(*table, 1, formatBook(*table, 1)), std::nullopt);
    (*table)[1][3] = "x\" \r\ny";
    const std::optional<CellNote> note = firstCellNotReadBack(*table, 2, formatBook(*table, 2));
    ASSERT_TRUE(note.has_value());
    EXPECT_EQ(std::tuple(note->record, note->field, note->characters), std::tuple(1, 3, QString("\" \r")));
    EXPECT_EQ(cellsASaveChanges(*table, 2, 1).size(), 1) << "no more than asked for";
    EXPECT_EQ(visibleCharacters("\" \r\n\n\r"), "\" 改行改行改行");

    // A rescue copy holds everything, and opens again as it was written.
    (*table)[0] = {"x\",y", "two\r\nlines", "€ 😀", " "};
    (*table)[0][12] = "\"";
    (*table)[1] = {"lone\rcr"};
    (*table)[1][12] = "end";
    const QByteArray copy = formatSpreadsheet(*table, 2);
    EXPECT_TRUE(copy.startsWith("\xEF\xBB\xBF\"x\"\",y\",\"two\r\nlines\",") && copy.endsWith(",\"\",\"end\"\r\n"));
    const Parsed again(copy);
    EXPECT_TRUE(again.result.error == FileError::None && again.result.encoding == Encoding::Utf8 &&
                again.result.recordCount == 2);
    EXPECT_TRUE((*again.table)[0] == (*table)[0] && (*again.table)[1] == (*table)[1]);
}

// UTF-8 without a mark is taken only for a comma layout with two Japanese three-byte characters, which code page 932
// text among ASCII cells hardly ever looks like (the README gives the measured rates).
TEST(Detection, Utf8WithoutAMarkIsTakenOnlyWhereCodePage932HardlyEverLooksLikeIt)
{
    // Two Japanese characters are enough, also beside the highest two- and four-byte characters.
    EXPECT_TRUE(looksLikeUtf8("第一,x") && looksLikeUtf8("\xDF\xBF\xF4\x8F\xBF\xBF第一"));
    // One character is not enough; code page 932 kanji and kana that read as "……"; not UTF-8 at all; an over-long
    // form; a surrogate.
    for (const char* no : {"第,x", "\xE2\x80\xA6\xE2\x80\xA6", "第一\xFF", "第一\xE0\x9F\xBF", "第一\xED\xA0\x80"}) {
        EXPECT_FALSE(looksLikeUtf8(no)) << QByteArray(no).toHex().constData();
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
