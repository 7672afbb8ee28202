// The book file: code page 932, the reader's layouts and encodings, the exact bytes written, the check before every
// save, rescue copies, and saving without losing the old file.
#include "store/BookFormat.h"
#include "store/DataFile.h"
#include "support/Children.h"
#include "support/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <random>
#include <sys/mount.h>

using namespace store;
using testsupport::inChild, testsupport::readAll, testsupport::modeOf, testsupport::writeFile;

namespace {

// The bytes read into a table of their own.
struct Parsed
{
    explicit Parsed(const QByteArray& data) : result(parseBook(data, *table)) {}
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    ParsedBook result;
    QString record(int r) const { return QStringList((*table)[r].begin(), (*table)[r].end()).join('|'); }
};

// n records whose field f holds "r<record>f<field>", in the program's own format.
QByteArray numberedBook(int n)
{
    QByteArray out;
    for (int i = 0; i < n * Module1::FieldCount; ++i) {
        out += QString("\"r%1f%2\"\r\n").arg(i / Module1::FieldCount).arg(i % Module1::FieldCount).toLatin1();
    }
    return out;
}

// A record of the given cells, the rest empty.
Module1::Record record(std::initializer_list<std::pair<int, QString>> cells)
{
    Module1::Record r;
    for (const auto& [field, text] : cells) {
        r[field] = text;
    }
    return r;
}

TEST(Cp932, JapaneseRoundTripsAndNineCharactersComeBackAsOthers)
{
    const QString japanese = "漢字ｶﾀｶﾅかなＡ＝a";
    const QByteArray japaneseBytes = QByteArray::fromHex("8abf8e9a b6c0b6c5 82a982c8 82608181 61");
    EXPECT_EQ(fromCp932(japaneseBytes), japanese);
    EXPECT_EQ(fromCp932("\x80z\x81 x\xA0\x82"), "?z? x??") << "one \"?\" per bad byte, and on after it";
    // A surrogate pair is one character, and so is a lone surrogate.
    const QString loneSurrogates = QChar(0xD800) + QString("z") + QChar(0xDC00);
    for (const auto& [text, bytes] :
         {std::pair<QString, QByteArray>{japanese, japaneseBytes}, {"x😀y😀", "x?y?"}, {loneSurrogates, "?z?"}}) {
        EXPECT_EQ(toCp932(text), bytes) << text.toStdString();
    }
    // What has no code at all becomes "?", each character named once.
    EXPECT_EQ(changedCharacters(cp932Changes("a€〜−¢‖ñ€😀ẞ한¥")), "€ñ😀ẞ한¥");
    // Besides "?", exactly nine characters come back as others: seven full-width look-alikes, which pass unnamed,
    // and the yen sign and the overline, which come back as "\" and "~" and are named with what they become.
    QString lookAlikes, named;
    for (char32_t u = 0x80; u <= 0xFFFF; u = u == 0xD7FF ? 0xE000 : u + 1) {
        const QString c(QChar{char16_t(u)}), back = fromCp932(toCp932(c));
        const QList<CharacterChange> changes = cp932Changes(c);
        if (back != c && back != "?") {
            (back.at(0).unicode() < 0x80 ? named : lookAlikes) += c;
        }
        ASSERT_EQ(changes.isEmpty(), back == c || !(back == "?" || back.at(0).unicode() < 0x80)) << int(u);
        ASSERT_TRUE(changes.isEmpty() || changes[0].becomes == back.at(0)) << int(u);
    }
    EXPECT_EQ(lookAlikes, "¢£¬—‖−〜");
    EXPECT_EQ(named, "¥‾");
}

// The book's own layout reads by the old sequential-input rules, whatever stands on a line; a first row of 13
// comma-separated cells is a spreadsheet's: quotes doubled, blanks kept, any line end, rows of 13. End of file is
// tested before each record, and a book holds 1000 records at most.
TEST(ParseBook, LayoutsTheirRulesAndTheirLimits)
{
    struct Case
    {
        const char* what;
        QByteArray file;
        FileError error = FileError::None;
        QStringList records = {}; // checked cell for cell
        int count = -1;           // the records read, when not records.size()
        Layout layout = Layout::Comma;
    };
    const QByteArray row = "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n";
    const Case cases[] = {
        {.what = "the book's own layout",
         .file = QByteArray("  a b  ,\t\"q\",x\"y\rB\n") + toCp932("ｱｲ,漢字\r\n") +
                 "\"ab\"cd\"ef\" \r\n\"x,y\"\r\n  \t\"  pad  \"  \r\n\"two\r\nlines\"\r\n\"Se\"cret,1\"\r\n\"a\" ,b\r\n"
                 "\"end\"\"\r\n" +
                 QByteArray("\"\"\r\n").repeated(11) + "\"unclosed,\r\nto the end",
         .records = {"a b|q|x\"y|B|ｱｲ|漢字|ab\"cd\"ef|x,y|  pad  |two\r\nlines|Se\"cret,1|a|b",
                     "end\"||||||||||||unclosed,\r\nto the end"},
         .layout = Layout::Book},
        {.what = "a file ending inside a record",
         .file = numberedBook(2) + "\"x\"\r\n",
         .error = FileError::InputPastEndOfFile,
         .count = 2,
         .layout = Layout::Book},
        {.what = "1001 records",
         .file = numberedBook(1000) + "\"\"\r\n",
         .error = FileError::TooManyRecords,
         .count = 1000,
         .layout = Layout::Book},
        {.what = "1001 rows", .file = row.repeated(1001), .error = FileError::TooManyRecords, .count = 1000},
        // A quadratic scan would make these two run for hours and trip the test's time-out.
        {.what = "32 MiB of blanks",
         .file = QByteArray(32 << 20, ' '),
         .error = FileError::InputPastEndOfFile,
         .count = 0,
         .layout = Layout::Book},
        {.what = "32 MiB of empty lines",
         .file = row + QByteArray(32 << 20, '\n') + "x",
         .error = FileError::InputPastEndOfFile,
         .count = 1},
        {.what = "quotes, blanks, commas and line breaks in cells, every line end, empty lines at the end",
         .file = " a ,\"Pa\"\"ss\",\"x,\r\ny\",,,,,,,,,, \r\"q\"tail,2,3,4,5,6,7,8,9,10,11,12,\"\"\"\"\n"
                 "3,,,,,,,,,,,,\r\n\r\n\n",
         .records = {" a |Pa\"ss|x,\r\ny|||||||||| ", "qtail|2|3|4|5|6|7|8|9|10|11|12|\"", "3||||||||||||"}},
        {.what = "a row one cell short",
         .file = row + "b,,,,,,,,,,,\r\n",
         .error = FileError::InputPastEndOfFile,
         .count = 1},
        {.what = "a row one cell over",
         .file = row + "b,,,,,,,,,,,,,\r\n",
         .error = FileError::InputPastEndOfFile,
         .count = 1},
        {.what = "an empty line in between",
         .file = row + "\r\n" + row,
         .error = FileError::InputPastEndOfFile,
         .count = 1},
        {.what = "every cell quoted",
         .file = "\"a\", \"b\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"m\"",
         .records = {"a| \"b\"|||||||||||m"}},
        // The writer's own record "\"", ",,,,,,,,,,,," and "\"" is one 13-cell row to a spreadsheet, but it is a
        // book's: its quotes open or end lines, none stands before a comma.
        {.what = "a book that looks like a row",
         .file = "\"\"\"\r\n\",,,,,,,,,,,,\"\r\n\"\"\"\r\n" + QByteArray("\"\"\r\n").repeated(10),
         .records = {"\"|,,,,,,,,,,,,|\"||||||||||"},
         .layout = Layout::Book},
        {.what = "a first row of 12 cells",
         .file = "a,,,,,,,,,,,\r\nb",
         .records = {"a||||||||||||b"},
         .layout = Layout::Book},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Parsed p(c.file);
        EXPECT_EQ(p.result.layout, c.layout);
        EXPECT_EQ(p.result.encoding, Encoding::Cp932);
        EXPECT_EQ(p.result.error, c.error);
        EXPECT_EQ(p.result.recordCount, c.count < 0 ? c.records.size() : c.count);
        for (int r = 0; r < c.records.size(); ++r) {
            EXPECT_EQ(p.record(r), c.records[r]);
        }
    }
}

// Files saved by spreadsheets (tests/samples, made by make-samples.py there): every cell as the spreadsheet held it.
TEST(ParseBook, SpreadsheetFilesOpenCellForCell)
{
    const QStringList japanese = {
        "第一接続|user01|Pa\"ss|03-1234-5678|ftp.example.jp|  lead  |7h\",Kx'9|http://example.jp/~a/| "
        "|pop.example.jp|smtp.example.jp|a,b@example.jp|1行目\n2行目",
        "ｶﾀｶﾅ商会||||||||||||end\""};
    const QStringList unicode = japanese + QStringList{"Café €|¥10,000|😀||||||||||〜"};
    struct Sample
    {
        const char* file;
        Encoding encoding;
        QStringList records;
    };
    const Sample samples[] = {
        {.file = "excel-cp932.csv", .encoding = Encoding::Cp932, .records = japanese},
        {.file = "calc-cp932-quoted.csv", .encoding = Encoding::Cp932, .records = japanese},
        {.file = "excel-utf8.csv", .encoding = Encoding::Utf8, .records = unicode},
        {.file = "calc-utf8.csv", .encoding = Encoding::Utf8, .records = unicode},
        {.file = "calc-utf16le.csv", .encoding = Encoding::Utf16LE, .records = unicode},
        {.file = "utf16be.csv", .encoding = Encoding::Utf16BE, .records = unicode},
    };
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.file);
        const Parsed p(readAll(QStringLiteral(KEYFOLD_TEST_SAMPLES "/") + sample.file));
        ASSERT_EQ(p.result.error, FileError::None);
        EXPECT_EQ(p.result.encoding, sample.encoding);
        EXPECT_EQ(p.result.layout, Layout::Comma);
        ASSERT_EQ(p.result.recordCount, sample.records.size());
        for (int r = 0; r < sample.records.size(); ++r) {
            EXPECT_EQ(p.record(r), sample.records[r]);
        }
    }
    // A mark tells the encoding; cells then follow one another, 13 a record, whatever the rows.
    const Parsed marked("\xEF\xBB\xBF\"a\"\r\n\"b\"\"c\"\r\n" + QByteArray("x\r\n").repeated(11));
    EXPECT_EQ(std::pair(marked.result.layout, marked.result.recordCount), std::pair(Layout::Book, 1));
    EXPECT_EQ(marked.record(0), "a|b\"c|x|x|x|x|x|x|x|x|x|x|x");
}

TEST(FormatBook, ExactBytesAndTheSameBytesAndCellsAgain)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0] = record({{0, "a\"b"}, {1, "漢€"}, {12, "end"}});
    (*table)[1][0] = "not written";
    EXPECT_EQ(formatBook(*table, 1),
              "\"a\"b\"\r\n\"\x8a\xbf?\"\r\n" + QByteArray("\"\"\r\n").repeated(10) + "\"end\"\r\n");
    QByteArray original = numberedBook(2);
    original.replace("\"r1f3\"", toCp932("\"ｶﾅ 漢字 \t\""));
    const Parsed p(original);
    EXPECT_EQ(formatBook(*p.table, p.result.recordCount), original);
}

// Before any save the bytes are read back: a cell the reader would not give back stops the save.
TEST(FormatBook, WhatWouldNotReadBackIsNamedAndNotWritten)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0] = record({{0, "€ and \" quotes\"\" are fine"}, {12, "〜"}});
    EXPECT_EQ(firstCellNotReadBack(*table, 1, formatBook(*table, 1)), std::nullopt);
    struct Case
    {
        Module1::Record second;
        CellNote note;
    };
    const Case cases[] = {
        {.second = record({{6, "7h\",Kx'9"}}), .note = {1, 6, "\","}},
        {.second = record({{3, "x\" \r\ny"}}), .note = {1, 3, "\" \r"}},
    };
    for (const Case& c : cases) {
        (*table)[1] = c.second;
        const auto note = firstCellNotReadBack(*table, 2, formatBook(*table, 2));
        ASSERT_TRUE(note.has_value());
        EXPECT_EQ(std::tuple(note->record, note->field, note->characters),
                  std::tuple(c.note.record, c.note.field, c.note.characters));
    }
    EXPECT_EQ(visibleCharacters("\" \r\n\n\r"), "\" 改行改行改行");
    QTemporaryDir dir;
    writeFile(dir.filePath("book.kf1"), "old");
    const WriteResult written = writeBookFile(dir.filePath("book.kf1"), *table, 2);
    EXPECT_EQ(written.error, FileError::NotReadBack);
    EXPECT_EQ(readAll(dir.filePath("book.kf1")), "old");
}

// A rescue copy holds everything, and opens again as it was written.
TEST(FormatSpreadsheet, ARescueCopyReopensCellForCell)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0] = record({{0, "x\",y"}, {1, "two\r\nlines"}, {2, "€ 😀"}, {3, " "}, {12, "\""}});
    (*table)[1] = record({{0, "lone\rcr"}, {12, "end"}});
    const QByteArray copy = formatSpreadsheet(*table, 2);
    EXPECT_TRUE(copy.startsWith("\xEF\xBB\xBF\"x\"\",y\",\"two\r\nlines\","));
    EXPECT_TRUE(copy.endsWith(",\"\",\"end\"\r\n"));
    const Parsed p(copy);
    EXPECT_TRUE(p.result.error == FileError::None && p.result.encoding == Encoding::Utf8);
    EXPECT_TRUE(p.result.recordCount == 2 && (*p.table)[0] == (*table)[0] && (*p.table)[1] == (*table)[1]);
}

// UTF-8 without a mark is taken only for a comma layout with two Japanese three-byte characters. Code page 932 text
// among ASCII cells hardly ever passes: every one- and two-character string, and a million of three to six
// characters drawn from kanji, kana, half-width katakana, full-width forms and ASCII. The rates go to the README.
TEST(Detection, Utf8WithoutAMarkIsTakenOnlyWhereCodePage932HardlyEverLooksLikeIt)
{
    EXPECT_TRUE(looksLikeUtf8("第一,x"));
    EXPECT_TRUE(looksLikeUtf8("\xDF\xBF\xF4\x8F\xBF\xBF第一")) << "the highest two- and four-byte characters";
    EXPECT_FALSE(looksLikeUtf8("第,x")) << "one character is not enough";
    EXPECT_FALSE(looksLikeUtf8("\xE2\x80\xA6\xE2\x80\xA6")) << "code page 932 kanji and kana that read as \"……\"";
    EXPECT_FALSE(looksLikeUtf8("第一\xFF")) << "not UTF-8 at all";
    EXPECT_FALSE(looksLikeUtf8("\xE0\x80\x80\xE0\x80\x80")) << "over-long forms";
    EXPECT_FALSE(looksLikeUtf8("\xED\xA0\x80\xED\xA0\x80")) << "surrogates";

    std::vector<QByteArray> groups[5]; // kanji, kana, half-width katakana, full-width and other, ASCII
    const auto groupOf = [](char16_t u) {
        if (u < 0x7F) {
            return 4;
        }
        return u >= 0x4E00 && u <= 0x9FFF ? 0 : u >= 0x3040 && u <= 0x30FF ? 1 : u >= 0xFF61 && u <= 0xFF9F ? 2 : 3;
    };
    for (char16_t u = 0x20; u != 0; ++u) {
        const QString c(QChar{u});
        const QByteArray bytes = toCp932(c);
        if ((bytes == "?" && u != '?') || fromCp932(bytes) != c || u == '"' || u == ',' || u == 0x7F) {
            continue;
        }
        groups[groupOf(u)].push_back(bytes);
    }
    std::vector<QByteArray> all;
    for (const auto& group : groups) {
        all.insert(all.end(), group.begin(), group.end());
    }
    long short1 = 0, short2 = 0;
    char pair[4];
    for (const QByteArray& a : all) {
        short1 += looksLikeUtf8("id," + a + ",x\r\n");
        std::memcpy(pair, a.constData(), a.size());
        for (const QByteArray& b : all) {
            std::memcpy(pair + a.size(), b.constData(), b.size());
            short2 += looksLikeUtf8(QByteArrayView(pair, a.size() + b.size()));
        }
    }
    std::printf("UTF-8 taken for code page 932: 1 character %ld of %zu, 2 characters %ld of %zu\n", short1, all.size(),
                short2, all.size() * all.size());
    EXPECT_EQ(short1 + short2, 0);
    // A quarter of a million strings of each length from three to six characters, each below 0.01 %.
    std::mt19937_64 random(20261207);
    constexpr long Samples = 250'000;
    for (int length = 3; length <= 6; ++length) {
        long taken = 0;
        for (long i = 0; i < Samples; ++i) {
            QByteArray line = "id,";
            for (int n = 0; n < length; ++n) {
                const auto& group = groups[random() % 5];
                line += group[random() % group.size()];
            }
            taken += looksLikeUtf8(line + ",x\r\n");
        }
        std::printf("%d characters: %ld of %ld (%.4f %%)\n", length, taken, Samples, 100.0 * taken / Samples);
        EXPECT_LT(taken, Samples / 10000) << length << " characters";
    }
}

class BookFile : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
};

// Missing folders, files where folders should be, missing files and the save of a book to them are the main window's
// tests; here, what only this layer shows.
TEST_F(BookFile, ANewFileIsForItsOwnerAnOldOneKeepsItsPermissionsAndAFolderIsLeftAsItWas)
{
    (*table)[0] = record({{0, "ユーザー"}, {12, "ﾒﾓ"}});
    writeFile(path("shared.dat"), "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path("shared.dat")).constData(), 0644), 0);
    for (const auto& [name, mode] : {std::pair{"book.dat", 0600u}, {"shared.dat", 0644u}}) {
        ASSERT_EQ(writeBookFile(path(name), *table, 1).error, FileError::None);
        EXPECT_EQ(modeOf(path(name)), mode) << name;
        EXPECT_EQ(readAll(path(name)), formatBook(*table, 1)) << name;
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_EQ(writeBookFile(path("folder"), *table, 1).error, FileError::PathFileAccessError);
    EXPECT_EQ(deleteBookFile(path("folder")), FileError::PathFileAccessError);
    EXPECT_EQ(readBookFile(path("no/nothing.dat"), *table).error, FileError::PathNotFound);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"book.dat", "folder", "shared.dat"}))
        << "nothing left behind";
}

// A full disk: a 64 KiB tmpfs filled up entirely, or up to one page, and a small book or a big one saved onto it.
// However far the write gets, the old file stays as it was, nothing is left behind, and the error is the full disk's.
TEST_F(BookFile, AFullDiskIsReportedAndLeavesTheOldFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("small"));
    for (const auto& [size, pageLeft] : {std::pair{300, false}, {3 * 4096, true}, {100000, false}}) {
        (*table)[0][1] = QString(size, 'x');
        const int status = inChild([&] {
            if (!testsupport::privateMounts() ||
                mount("tmpfs", QFile::encodeName(path("small")), "tmpfs", 0, "size=64k") != 0) {
                return 200;
            }
            writeFile(path("small/book.dat"), "old");
            writeFile(path("small/spare"), QByteArray(4096, 's'));
            QFile filler(path("small/filler"));
            filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            while (filler.write(QByteArray(512, 'f')) > 0) {
            }
            if (pageLeft) {
                QFile::remove(path("small/spare"));
            }
            const FileError error = writeBookFile(path("small/book.dat"), *table, 1).error;
            const qsizetype left = QDir(path("small")).entryList(QDir::Files).size();
            return readAll(path("small/book.dat")) == "old" && left == (pageLeft ? 2 : 3) ? int(error) : 201;
        });
        EXPECT_NE(status, 200) << "no tmpfs could be mounted in a mount namespace of the test's own";
        EXPECT_EQ(status, int(FileError::DiskFull)) << size << " characters, a page left: " << pageLeft;
    }
}

// A file its user may not read, and a folder that refuses new files. Root reads and writes whatever the permission
// bits say, so the child drops its privileges first. The refused save leaves the old file alone.
TEST_F(BookFile, NoPermissionToReadOrToMakeTheNewFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("readonly"));
    writeFile(path("locked.kf1"), "\"a\"\r\n");
    writeFile(path("readonly/book.kf1"), "old");
    for (const auto& [name, mode] :
         {std::pair{"", 0755}, {"locked.kf1", 0}, {"readonly/book.kf1", 0666}, {"readonly", 0555}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), mode), 0) << name;
    }
    const int status = inChild([&] {
        if (!testsupport::dropPrivileges()) {
            return 200;
        }
        const bool refused = readBookFile(path("locked.kf1"), *table).error == FileError::PermissionDenied &&
                             writeBookFile(path("readonly/book.kf1"), *table, 1).error == FileError::PermissionDenied;
        return refused && readAll(path("readonly/book.kf1")) == "old" &&
                       QDir(path("readonly")).entryList(QDir::Files).size() == 1
                   ? 0
                   : 1;
    });
    ::chmod(QFile::encodeName(path("readonly")).constData(), 0755);
    EXPECT_EQ(status, 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
