// The book file: code page 932, the reader's rules, the exact bytes written, and saving without losing the old file.
#include "store/Cp932.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"
#include "support/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <grp.h>
#include <memory>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace store;

namespace {

// The bytes read into a table of their own.
struct Parsed
{
    explicit Parsed(const QByteArray& data) : result(parseBook(data, *table)) {}
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    ReadResult result;
    const QString& cell(int record, int field) const { return (*table)[record][field]; }
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

// Bad bytes read as "?" are the business of the file-opening tests; here, what is written and read back.
TEST(Cp932, JapaneseRoundTripsAndWhatItCannotHoldIsOneQuestionMarkEach)
{
    const QString japanese = "漢字ｶﾀｶﾅかなＡ＝a";
    const QByteArray japaneseBytes =
        QByteArray::fromHex("8abf8e9a b6c0b6c5 82a982c8 82608181 61"); // no byte order mark
    EXPECT_EQ(fromCp932(japaneseBytes), japanese);
    // A surrogate pair is one character, and so is a lone surrogate; the wave dash goes one way onto the full-width
    // tilde's code.
    const QString loneSurrogates = QChar(0xD800) + QString("z") + QChar(0xDC00);
    const std::pair<QString, QByteArray> written[] = {
        {japanese, japaneseBytes}, {"x😀y😀", "x?y?"}, {loneSurrogates, "?z?"}, {"\u301C", "\x81\x60"}};
    for (const auto& [text, bytes] : written) {
        EXPECT_EQ(toCp932(text), bytes) << text.toStdString();
    }
    EXPECT_EQ(fromCp932("\x81\x60"), QString(QChar(0xFF5E)));
    // Look-alikes are not missing; what has no code at all is, each character once.
    EXPECT_EQ(cp932Unrepresentable("a€〜−¢‖ñ€😀ẞ한"), "€ñ😀ẞ한");
    // For every one- and two-byte sequence: what is read is written back so that it reads the same again.
    for (int i = 0; i < 256 * 257; ++i) {
        const QByteArray raw = QByteArray(1, char(i / 257)) + QByteArray(i % 257 ? 1 : 0, char(i % 257 - 1));
        const QString once = fromCp932(raw);
        ASSERT_EQ(fromCp932(toCp932(once)), once) << raw.toHex().constData();
    }
}

TEST(ParseBook, UnquotedCommaSeparatedLinesWithAnyLineEndAndQuotedFields)
{
    const Parsed p(QByteArray("  a b  ,\t\"q\",x\"y,,4,5,6,7,8,9,10,11,last  \r\n"
                              "B,1,2,3,4,5,6,7,8,9,10,11,12\r"
                              "C,1,2,3,4,5,6,7,8,9,10,11,12\n"
                              "\n\n\n\n\n\n\n\n\n\n\n\n\n") +
                   toCp932("ｱｲ,漢字,2,3,4,5,6,7,8,9,10,11,12\r\n") +
                   // A quote ends a quoted field only before blanks and a comma, a line end or the end of the file.
                   "\"ab\"cd\"ef\" \r\n"
                   "\"x,y\"\r\n"           // a comma inside quotes belongs to the field
                   "  \t\"  pad  \"  \r\n" // blanks outside quotes go, inside they stay
                   "\"two\r\nlines\"\r\n"  // a quoted field may span line ends
                   "\"Se\"cret,1\"\r\n"
                   "\"a\" ,b\r\n"
                   "\"end\"\"\r\n" +
                   QByteArray("\"\"\r\n").repeated(4) + "\"unclosed,\r\nto the end");
    ASSERT_EQ(p.result.error, FileError::None);
    ASSERT_EQ(p.result.recordCount, 6);
    const std::tuple<int, int, QString> cells[] = {
        {0, 0, "a b"}, {0, 1, "q"}, {0, 2, "x\"y"}, {0, 3, ""},   {0, 12, "last"}, {1, 0, "B"},
        {2, 12, "12"}, {3, 0, ""},  {3, 12, ""},    {4, 0, "ｱｲ"}, {4, 1, "漢字"},  {4, 12, "12"},
    };
    for (const auto& [record, field, text] : cells) {
        EXPECT_EQ(p.cell(record, field), text) << record << "/" << field;
    }
    EXPECT_EQ(QStringList((*p.table)[5].begin(), (*p.table)[5].end()).join('|'),
              "ab\"cd\"ef|x,y|  pad  |two\r\nlines|Se\"cret,1|a|b|end\"|||||unclosed,\r\nto the end");
}

TEST(ParseBook, EndOfFileIsTestedBeforeEachRecordAndAThousandRecordsAtMost)
{
    // A thousand records, endless lines and quotes, and the program's error texts are the file-opening tests' part.
    const std::tuple<QByteArray, int, int> cases[] = {
        {QByteArray("\"x\"\r\n").repeated(27), FileError::InputPastEndOfFile, 2},
        {numberedBook(1) + "\r\n", FileError::InputPastEndOfFile, 1},
        {numberedBook(1) + "x", FileError::InputPastEndOfFile, 1},
        {numberedBook(1) + "  ", FileError::InputPastEndOfFile, 1},
        {numberedBook(1000) + "\"\"\r\n", FileError::TooManyRecords, 1000},
        // A quadratic scan would make this run for hours and trip the test's time-out.
        {QByteArray(32 << 20, ' '), FileError::InputPastEndOfFile, 0},
    };
    for (const auto& [data, error, count] : cases) {
        const Parsed p(data);
        EXPECT_EQ(p.result.error, error) << data.left(40).constData();
        EXPECT_EQ(p.result.recordCount, count) << data.left(40).constData();
    }
}

TEST(FormatBook, ExactBytesAndTheSameBytesAndCellsAgain)
{
    auto table = std::make_unique<Module1::Table>();
    (*table)[0][0] = "a\"b";
    (*table)[0][1] = "漢€";
    (*table)[0][12] = "end";
    (*table)[1][0] = "not written";
    EXPECT_EQ(formatBook(*table, 1),
              "\"a\"b\"\r\n\"\x8a\xbf?\"\r\n" + QByteArray("\"\"\r\n").repeated(10) + "\"end\"\r\n");

    QByteArray original = numberedBook(2);
    original.replace("\"r1f3\"", toCp932("\"ｶﾅ 漢字 \t\""));
    const Parsed p(original);
    ASSERT_EQ(p.result.error, FileError::None);
    EXPECT_EQ(formatBook(*p.table, p.result.recordCount), original);
    const Parsed csv("\x80x, \x81 ,\"a\r\nb\",3,4,5,6,7,8,9,10,11,12\r\n");
    const Parsed again(formatBook(*csv.table, 1));
    ASSERT_EQ(again.result.recordCount, 1);
    EXPECT_TRUE(*again.table == *csv.table);
}

// Writes text to a file of /proc; false when it cannot.
bool writeProc(const char* file, const QByteArray& text)
{
    QFile proc(file);
    return proc.open(QIODevice::WriteOnly) && proc.write(text) == text.size();
}

// Gives this process mounts of its own, which vanish when it exits: as root directly, as another user inside a user
// namespace of its own (where it may mount a tmpfs too).
bool privateMounts()
{
    if (geteuid() != 0) {
        const QByteArray uid = QByteArray::number(geteuid()), gid = QByteArray::number(getegid());
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !writeProc("/proc/self/setgroups", "deny") ||
            !writeProc("/proc/self/uid_map", "0 " + uid + " 1") ||
            !writeProc("/proc/self/gid_map", "0 " + gid + " 1")) {
            return false;
        }
    } else if (unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class BookFile : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    void writeRaw(const QString& name, const QByteArray& data)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }
    // Runs body in a child process, so that what it does to mounts and privileges stays there; its exit status.
    static int inChild(const std::function<int()>& body)
    {
        const pid_t child = fork();
        if (child == 0) {
            _exit(body());
        }
        int status = 0;
        return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QTemporaryDir dir;
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
};

// Missing folders, files where folders should be, missing files and the save of a book to them are the main window's
// tests; here, what only this layer shows.
TEST_F(BookFile, ANewFileIsForItsOwnerAnOldOneKeepsItsPermissionsAndAFolderIsLeftAsItWas)
{
    (*table)[0][0] = "ユーザー";
    (*table)[0][12] = "ﾒﾓ";
    writeRaw("shared.dat", "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path("shared.dat")).constData(), 0644), 0);
    for (const auto& [name, mode] : {std::pair{"book.dat", 0600u}, {"shared.dat", 0644u}}) {
        ASSERT_EQ(writeBookFile(path(name), *table, 1), FileError::None);
        EXPECT_EQ(modeOf(path(name)), mode) << name;
        EXPECT_EQ(readAll(path(name)), formatBook(*table, 1)) << name;
    }

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_EQ(writeBookFile(path("folder"), *table, 1), FileError::PathFileAccessError);
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
            if (!privateMounts() || mount("tmpfs", QFile::encodeName(path("small")), "tmpfs", 0, "size=64k") != 0) {
                return 200;
            }
            writeRaw("small/book.dat", "old");
            writeRaw("small/spare", QByteArray(4096, 's'));
            QFile filler(path("small/filler"));
            filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            while (filler.write(QByteArray(512, 'f')) > 0) {
            }
            if (pageLeft) {
                QFile::remove(path("small/spare"));
            }
            const int error = writeBookFile(path("small/book.dat"), *table, 1);
            const qsizetype left = QDir(path("small")).entryList(QDir::Files).size();
            return readAll(path("small/book.dat")) == "old" && left == (pageLeft ? 2 : 3) ? error : 201;
        });
        EXPECT_NE(status, 200) << "no tmpfs could be mounted in a mount namespace of the test's own";
        EXPECT_EQ(status, FileError::DiskFull) << size << " characters, a page left: " << pageLeft;
    }
}

// A file its user may not read, and a folder that refuses new files. Root reads and writes whatever the permission
// bits say, so under root the child drops its privileges first. The refused save leaves the old file alone.
TEST_F(BookFile, NoPermissionToReadOrToMakeTheNewFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("readonly"));
    writeRaw("locked.kf1", "\"a\"\r\n");
    writeRaw("readonly/book.kf1", "old");
    for (const auto& [name, mode] :
         {std::pair{"", 0755}, {"locked.kf1", 0}, {"readonly/book.kf1", 0666}, {"readonly", 0555}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), mode), 0) << name;
    }
    const int status = inChild([&] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            return 200;
        }
        const bool refused = readBookFile(path("locked.kf1"), *table).error == FileError::PermissionDenied &&
                             writeBookFile(path("readonly/book.kf1"), *table, 1) == FileError::PermissionDenied;
        return refused && readAll(path("readonly/book.kf1")) == "old" &&
                       QDir(path("readonly")).entryList(QDir::Files).size() == 1
                   ? 0
                   : 1;
    });
    ::chmod(QFile::encodeName(path("readonly")).constData(), 0755);
    EXPECT_EQ(status, 0);
}

// Cells with quotes, blanks and commas in every mix come back from the file into the same cells, the record after
// them whole; only a quote before blanks and a comma or a line end cannot, and is caught before it is stored.
TEST(QuotesInCells, WhatIsWrittenReadsBackIntoTheSameCells)
{
    for (const auto& [text, cut] : {std::pair{"a\",b", "\","},
                                    {"x\"y\" \t,z", "\" \t,"},
                                    {"a\"\r", "\"\r"},
                                    {"Se\"cret1", ""},
                                    {"\"", ""},
                                    {"a\" ", ""},
                                    {"\"\"", ""},
                                    {"a\" b,c", ""}}) {
        EXPECT_EQ(quoteThatEndsAField(text), cut) << text;
    }
    std::mt19937 random(20261207);
    const QStringList pieces = {"\"", " ", "\t", ",", "a", "漢", "ｶ", "\"\"", "\" x"};
    constexpr int Records = 300;
    auto book = std::make_unique<Module1::Table>();
    for (int r = 0; r < Records; ++r) {
        for (QString& cell : (*book)[r]) {
            do {
                cell.clear();
                for (int n = random() % 8; n > 0; --n) {
                    cell += pieces[random() % pieces.size()];
                }
            } while (!quoteThatEndsAField(cell).isEmpty());
        }
    }
    (*book)[Records - 1].fill("next");
    const Parsed again(formatBook(*book, Records));
    ASSERT_EQ(again.result.recordCount, Records);
    EXPECT_TRUE(*again.table == *book);
}

TEST(SpreadsheetFiles, AUtf8FileWithAByteOrderMarkReadsWithDoubledQuotes)
{
    const QByteArray csv =
        "\xEF\xBB\xBF\"Se\"\"cret\",\"a,\r\nb\",\xE2\x82\xAC \xC3\xB1,\xE6\xBC\xA2,4,5,6,7,8,9,10,11,\"\"\"\"\r\n"
        "x,,,,,,,,,,,,\xF0\x9F\x98\x80\r\n";
    const Parsed p(csv);
    EXPECT_TRUE(p.result.utf8 && p.result.recordCount == 2);
    EXPECT_EQ(QStringList((*p.table)[0].begin(), (*p.table)[0].end()).join('|'),
              "Se\"cret|a,\r\nb|€ ñ|漢|4|5|6|7|8|9|10|11|\"");
    QStringList cells;
    for (const UnstorableCell& cell : unstorableCells(*p.table, 2, 5)) {
        cells << QString("%1/%2:%3").arg(cell.record).arg(cell.field).arg(cell.characters);
    }
    EXPECT_EQ(cells, QStringList({"0/2:€ñ", "1/12:😀"}));
    // Without the mark the same bytes are code page 932, as they always were.
    EXPECT_EQ(Parsed(csv.mid(3)).cell(0, 0), "Se\"\"cret");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
