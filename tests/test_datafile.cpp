#include "store/Cp932.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Readable failure messages for QString comparisons.
void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace store;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray bytes(const char* text)
{
    return QByteArray(text);
}

struct Parsed
{
    ReadResult result;
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    const QString& cell(int record, int field) const { return (*table)[record][field]; }
};

Parsed parse(const QByteArray& data)
{
    Parsed parsed;
    parsed.result = parseBook(data, *parsed.table);
    return parsed;
}

// n records whose field f holds "r<record>f<field>", in the program's own format.
QByteArray numberedBook(int n)
{
    QByteArray out;
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            out += "\"r" + QByteArray::number(r) + "f" + QByteArray::number(f) + "\"\r\n";
        }
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

unsigned modeOf(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

void writeRaw(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

} // namespace

TEST(Cp932, JapaneseRoundTripsExactly)
{
    const QString text = u("漢字ｶﾀｶﾅかなＡ＝a");
    const QByteArray encoded = toCp932(text);
    EXPECT_EQ(encoded, QByteArray::fromHex("8abf8e9a b6c0b6c5 82a982c8 82608181 61"));
    EXPECT_EQ(fromCp932(encoded), text);
    EXPECT_EQ(toCp932(u("あ")).size(), 2) << "no byte order mark";
}

TEST(Cp932, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(toCp932(u("a€b")), bytes("a?b"));
    EXPECT_EQ(toCp932(u("x😀y😀")), bytes("x?y?")) << "a surrogate pair is one character";
    EXPECT_EQ(toCp932(QString(QChar(0xD800)) + "z" + QChar(0xD800)), bytes("?z?")) << "lone surrogates";
    // glibc maps the wave dash one way onto the full-width tilde's code; it reads back as U+FF5E.
    EXPECT_EQ(toCp932(QString(QChar(0x301C))), bytes("\x81\x60"));
    EXPECT_EQ(fromCp932(bytes("\x81\x60")), QString(QChar(0xFF5E)));
}

TEST(Cp932, InvalidBytesReadAsOneQuestionMarkPerByte)
{
    EXPECT_EQ(fromCp932(QByteArray::fromHex("80 61 a0")), u("?a?"));
    EXPECT_EQ(fromCp932(QByteArray::fromHex("fd fe ff")), u("???"));
    EXPECT_EQ(fromCp932(QByteArray::fromHex("81 20 62")), u("? b")) << "a bad trail byte must not be swallowed";
    EXPECT_EQ(fromCp932(QByteArray::fromHex("61 62 82")), u("ab?")) << "truncated at the end";
}

TEST(Cp932, DecodedTextSurvivesAWriteAndReadUnchanged)
{
    // For every one- and two-byte sequence: what we read, we write back so that it reads the same again.
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = -1; trail < 256; ++trail) {
            QByteArray raw(1, static_cast<char>(lead));
            if (trail >= 0) {
                raw += static_cast<char>(trail);
            }
            const QString once = fromCp932(raw);
            ASSERT_EQ(fromCp932(toCp932(once)), once) << raw.toHex().constData();
        }
    }
}

TEST(ParseBook, QuotedFields)
{
    QByteArray data = "\"ab\"cd\"ef\r\n"      // text after the closing quote is dropped up to the line end
                      "\"x,y\"\r\n"           // a comma inside quotes belongs to the field
                      "  \t\"  pad  \"  \r\n" // blanks outside quotes go, inside they stay
                      "\"two\r\nlines\"\r\n"  // a quoted field may span line ends
                      "\"\"\r\n";
    for (int f = 5; f < 12; ++f) {
        data += "\"f" + QByteArray::number(f) + "\"\r\n";
    }
    data += "\"unclosed,\r\nto the end";
    const Parsed p = parse(data);
    ASSERT_EQ(p.result.error, FileError::None);
    ASSERT_EQ(p.result.recordCount, 1);
    EXPECT_EQ(p.cell(0, 0), u("ab"));
    EXPECT_EQ(p.cell(0, 1), u("x,y"));
    EXPECT_EQ(p.cell(0, 2), u("  pad  "));
    EXPECT_EQ(p.cell(0, 3), u("two\r\nlines"));
    EXPECT_EQ(p.cell(0, 4), QString());
    EXPECT_EQ(p.cell(0, 5), u("f5"));
    EXPECT_EQ(p.cell(0, 11), u("f11"));
    EXPECT_EQ(p.cell(0, 12), u("unclosed,\r\nto the end"));
}

TEST(ParseBook, UnquotedCommaSeparatedLinesWithAnyLineEnd)
{
    const Parsed p = parse(QByteArray("  a b  ,\t\"q\",x\"y,,4,5,6,7,8,9,10,11,last  \r\n"
                                      "B,1,2,3,4,5,6,7,8,9,10,11,12\r"
                                      "C,1,2,3,4,5,6,7,8,9,10,11,12\n"
                                      "\n\n\n\n\n\n\n\n\n\n\n\n\n") +
                           toCp932(u("ｱｲ,漢字,2,3,4,5,6,7,8,9,10,11,12")));
    ASSERT_EQ(p.result.error, FileError::None);
    ASSERT_EQ(p.result.recordCount, 5);
    EXPECT_EQ(p.cell(0, 0), u("a b"));
    EXPECT_EQ(p.cell(0, 1), u("q"));
    EXPECT_EQ(p.cell(0, 2), u("x\"y")) << "a quote inside an unquoted field is kept";
    EXPECT_EQ(p.cell(0, 3), QString());
    EXPECT_EQ(p.cell(0, 12), u("last"));
    EXPECT_EQ(p.cell(1, 0), u("B"));
    EXPECT_EQ(p.cell(2, 12), u("12")) << "lone CR";
    EXPECT_EQ(p.cell(3, 0), QString()) << "empty lines are empty fields";
    EXPECT_EQ(p.cell(4, 0), u("ｱｲ"));
    EXPECT_EQ(p.cell(4, 1), u("漢字"));
    EXPECT_EQ(p.cell(4, 12), u("12"));
}

TEST(ParseBook, EndOfFileRules)
{
    EXPECT_EQ(parse("").result.error, FileError::None);
    EXPECT_EQ(parse("").result.recordCount, 0);

    QByteArray lines;
    for (int i = 0; i < 27; ++i) {
        lines += "\"x\"\r\n";
    }
    const Parsed short27 = parse(lines);
    EXPECT_EQ(short27.result.error, FileError::InputPastEndOfFile);
    EXPECT_EQ(short27.result.recordCount, 2);

    for (const char* garbage : {"\r\n", "x", "  "}) {
        const Parsed p = parse(numberedBook(1) + garbage);
        EXPECT_EQ(p.result.error, FileError::InputPastEndOfFile) << garbage;
        EXPECT_EQ(p.result.recordCount, 1) << garbage;
    }
}

TEST(ParseBook, AtMostAThousandRecords)
{
    const Parsed full = parse(numberedBook(Module1::MaxRecords));
    EXPECT_EQ(full.result.error, FileError::None);
    EXPECT_EQ(full.result.recordCount, 1000);
    EXPECT_EQ(full.cell(999, 12), u("r999f12"));

    const Parsed over = parse(numberedBook(Module1::MaxRecords) + "\"\"\r\n");
    EXPECT_EQ(over.result.error, FileError::TooManyRecords);
    EXPECT_EQ(over.result.recordCount, 1000);
}

// A quadratic scan would make these run for hours and trip the test's time-out; their speed is measured in the
// benchmarks.
TEST(ParseBook, HugeFieldsEndWithoutALineEnd)
{
    const QByteArray oneLine(32 << 20, 'a');
    EXPECT_EQ(parse(oneLine).result.error, FileError::InputPastEndOfFile);
    EXPECT_EQ(parse("\"" + oneLine).result.error, FileError::InputPastEndOfFile);
    EXPECT_EQ(parse(QByteArray(32 << 20, ' ')).result.error, FileError::InputPastEndOfFile);
}

TEST(FormatBook, ExactBytes)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0][0] = u("a\"b");
    (*table)[0][1] = u("漢€");
    (*table)[0][12] = u("end");
    (*table)[1][0] = u("not written");
    QByteArray expected = "\"a\"b\"\r\n\"\x8a\xbf?\"\r\n";
    for (int f = 2; f < 12; ++f) {
        expected += "\"\"\r\n";
    }
    expected += "\"end\"\r\n";
    EXPECT_EQ(formatBook(*table, 1), expected);
    EXPECT_EQ(formatBook(*table, 0), QByteArray());
}

TEST(FormatBook, ReadingAndWritingAgainGivesTheSameBytesAndCells)
{
    QByteArray original = numberedBook(2);
    original.replace("\"r1f3\"", toCp932(u("\"ｶﾅ 漢字 \t\"")));
    const Parsed p = parse(original);
    ASSERT_EQ(p.result.error, FileError::None);
    EXPECT_EQ(formatBook(*p.table, p.result.recordCount), original);

    const Parsed csv = parse("\x80x, \x81 ,\"a\r\nb\",3,4,5,6,7,8,9,10,11,12\r\n");
    ASSERT_EQ(csv.result.recordCount, 1);
    const Parsed again = parse(formatBook(*csv.table, 1));
    ASSERT_EQ(again.result.recordCount, 1);
    EXPECT_TRUE(*again.table == *csv.table);
}

class BookFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        (*m_table)[0][0] = u("ユーザー");
        (*m_table)[0][12] = u("ﾒﾓ");
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<Module1::Table> m_table = std::make_unique<Module1::Table>();
};

TEST_F(BookFile, NewFileIsOwnerOnlyAndReadsBack)
{
    const QString file = path("book.dat");
    ASSERT_EQ(writeBookFile(file, *m_table, 1), FileError::None);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(readAll(file), formatBook(*m_table, 1));

    auto back = std::make_unique<Module1::Table>();
    const ReadResult result = readBookFile(file, *back);
    EXPECT_EQ(result.error, FileError::None);
    EXPECT_EQ(result.recordCount, 1);
    EXPECT_TRUE((*back)[0] == (*m_table)[0]);

    ASSERT_EQ(writeBookFile(path("empty.txt"), *m_table, 0), FileError::None);
    EXPECT_EQ(QFileInfo(path("empty.txt")).size(), 0);
}

TEST_F(BookFile, SavingOverAFileKeepsItsPermissions)
{
    const QString file = path("shared.dat");
    writeRaw(file, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    ASSERT_EQ(writeBookFile(file, *m_table, 1), FileError::None);
    EXPECT_EQ(modeOf(file), 0644u);
    EXPECT_EQ(readAll(file), formatBook(*m_table, 1));
}

TEST_F(BookFile, SaveRefusedByThePathLeavesEverythingAsItWas)
{
    EXPECT_EQ(writeBookFile(path("missing/book.dat"), *m_table, 1), FileError::PathNotFound);
    EXPECT_FALSE(QFileInfo::exists(path("missing")));

    writeRaw(path("plain"), "keep me");
    EXPECT_EQ(writeBookFile(path("plain/book.dat"), *m_table, 1), FileError::PathNotFound);
    EXPECT_EQ(readAll(path("plain")), bytes("keep me"));

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder"));
    EXPECT_EQ(writeBookFile(path("folder"), *m_table, 1), FileError::PathFileAccessError);
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"plain"}) << "no temporary file left behind";
}

TEST_F(BookFile, FullDiskIsReportedAndLeavesTheOldFile)
{
    const QString folder = path("small");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("small"));
    const QString file = folder + "/book.dat";
    for (int r = 0; r < Module1::MaxRecords; ++r) {
        (*m_table)[r][1] = QString(100, QChar('x'));
    }
    // The write itself fails here, after the save has begun. The child mounts a 64 KiB file system in a mount namespace
    // of its own, which vanishes when it exits.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const QByteArray target = QFile::encodeName(folder);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0) {
            _exit(200);
        }
        QFile old(file);
        if (!old.open(QIODevice::WriteOnly) || old.write("old") != 3 || !old.flush()) {
            _exit(201);
        }
        old.close();
        const int error = writeBookFile(file, *m_table, Module1::MaxRecords);
        const bool intact = readAll(file) == "old" && QDir(folder).entryList(QDir::Files).size() == 1;
        _exit(intact ? error : 202);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 200) {
        GTEST_SKIP() << "no permission to mount a small file system here";
    }
    EXPECT_EQ(WEXITSTATUS(status), FileError::DiskFull);
}

TEST_F(BookFile, ReadAndDeleteErrors)
{
    EXPECT_EQ(readBookFile(path("nothing.dat"), *m_table).error, FileError::FileNotFound);
    EXPECT_EQ(readBookFile(path("no/nothing.dat"), *m_table).error, FileError::PathNotFound);
    EXPECT_EQ(readBookFile(m_dir.path(), *m_table).error, FileError::PathFileAccessError);
    writeRaw(path("long.dat"), numberedBook(1001));
    const ReadResult tooMany = readBookFile(path("long.dat"), *m_table);
    EXPECT_EQ(tooMany.error, FileError::TooManyRecords);

    EXPECT_EQ(deleteBookFile(path("nothing.dat")), FileError::FileNotFound);
    EXPECT_EQ(deleteBookFile(m_dir.path()), FileError::PathFileAccessError);
    EXPECT_EQ(deleteBookFile(path("long.dat")), FileError::None);
    EXPECT_FALSE(QFileInfo::exists(path("long.dat")));
}

TEST_F(BookFile, PermissionDenied)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: permission bits stop neither reading nor writing";
    }
    const QString file = path("locked/book.dat");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("locked"));
    writeRaw(file, "\"old\"\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0200), 0);
    EXPECT_EQ(readBookFile(file, *m_table).error, FileError::PermissionDenied);

    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path("locked")).constData(), 0500), 0);
    EXPECT_EQ(writeBookFile(file, *m_table, 1), FileError::PermissionDenied);
    EXPECT_EQ(writeBookFile(path("locked/new.dat"), *m_table, 1), FileError::PermissionDenied);
    EXPECT_EQ(deleteBookFile(file), FileError::PermissionDenied);
    EXPECT_EQ(readAll(file), bytes("\"old\"\r\n"));
    ::chmod(QFile::encodeName(path("locked")).constData(), 0700);
}

TEST(FileErrors, Descriptions)
{
    EXPECT_EQ(errorDescription(FileError::FileNotFound), u("ファイルが見つかりません。"));
    EXPECT_EQ(errorDescription(FileError::InputPastEndOfFile), u("ファイルにこれ以上データがありません。"));
    EXPECT_EQ(errorDescription(FileError::TooManyRecords),
              u("レコードが1000件を超えているため、このファイルを開けません。"));
    EXPECT_EQ(errorDescription(12345), u("アプリケーション定義またはオブジェクト定義のエラーです。"));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
