// The rules of the book on disk, on the session that owns them: another program's writes, another Keyfold saving the
// same book, what counts as unsaved, where unsaved changes go when the program ends without its window, and what
// the end of a desktop session answers.
#include "store/BookSession.h"
#include "support/Children.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace store;
using testsupport::readAll, testsupport::writeFile, testsupport::modeOf;

namespace {

const QByteArray OneRecord = QByteArray("\"provider\"\r\n") + QByteArray("\"\"\r\n").repeated(12);
const QDateTime Noon(QDate(2026, 12, 7), QTime(12, 0, 0));

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Module1::resetState();
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
        qputenv("HOME", QFile::encodeName(path("home")));
        QDir().mkpath(path("home"));
        writeFile(path("a.kf1"), OneRecord);
        open("a.kf1");
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    ReadResult open(const QString& name)
    {
        book.setFileName(path(name));
        const ReadResult read = book.open(*table);
        count = read.recordCount;
        return read;
    }
    void add(const QString& provider) { (*table)[count++][0] = provider; }
    SaveResult save(bool answer)
    {
        return book.save(*table, count, [this, answer] { return ++answers, answer; });
    }
    // Another program rewrites the file with bytes of the same size and puts its time back.
    void rewriteBehindOurBack(const QString& name)
    {
        struct stat before;
        ASSERT_EQ(::stat(QFile::encodeName(path(name)).constData(), &before), 0);
        writeFile(path(name), QByteArray(readAll(path(name))).replace("provider", "PROVIDER"));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path(name)).constData(), times, 0), 0);
    }
    QStringList rescued() const { return QDir(path("data/Keyfold/rescue")).entryList(QDir::Files); }

    QTemporaryDir dir;
    BookSession book;
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    int count = 0;
    int answers = 0;
};

TEST_F(Session, AnotherProgramsChangesAreWrittenOverOnlyWhenTheUserSaysSo)
{
    add("mine");
    EXPECT_TRUE(save(true).saved());
    add("again");
    EXPECT_TRUE(save(true).saved());
    EXPECT_EQ(answers, 0) << "the book's own writes are not another program's";
    rewriteBehindOurBack("a.kf1");
    const QByteArray theirs = readAll(path("a.kf1"));
    EXPECT_EQ(save(false).outcome, SaveOutcome::Declined);
    EXPECT_EQ(book.save(*table, count, nullptr).outcome, SaveOutcome::Declined) << "a quiet save has no one to ask";
    EXPECT_EQ(readAll(path("a.kf1")), theirs);
    EXPECT_TRUE(save(true).saved());
    EXPECT_EQ(answers, 2);
    EXPECT_EQ(readAll(path("a.kf1")), formatBook(*table, count));
    // A file deleted meanwhile is simply written.
    QFile::remove(path("a.kf1"));
    EXPECT_TRUE(save(false).saved());
}

// Another Keyfold holds the lock beside the book while it saves. Waiting about a second, this one counts the book as
// changed by another program; told to write over it, it waits a little longer and then gives up with its own error.
TEST_F(Session, AnotherKeyfoldSavingTheSameBookIsWaitedForNotRacedWith)
{
    const QString lock = path(".a.kf1.lock");
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = fork();
    if (child == 0) {
        QLockFile held(lock);
        char byte = held.tryLock(0) ? 'L' : 'x';
        // Holds it until told, then dies with it held: a stale lock.
        _exit(::write(fromChild[1], &byte, 1) == 1 && ::read(toChild[0], &byte, 1) == 1 ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(::read(fromChild[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'L');
    add("mine");
    EXPECT_EQ(book.save(*table, count, nullptr).outcome, SaveOutcome::Declined);
    const SaveResult refused = save(true);
    EXPECT_EQ(std::pair(refused.outcome, refused.error), std::pair(SaveOutcome::Failed, FileError::SavingElsewhere));
    EXPECT_EQ(errorDescription(refused.error), "他のKeyfoldがこのファイルを保存しているため、保存できませんでした。");
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(readAll(path("a.kf1")), OneRecord);
    // The other Keyfold dies holding it: Qt finds its process gone and takes the lock over.
    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(QFile::exists(lock));
    EXPECT_TRUE(book.save(*table, count, nullptr).saved());
    EXPECT_FALSE(QFile::exists(lock)) << "the lock goes with the save";
}

TEST_F(Session, UnsavedMeansChangedSinceTheLastReadSaveOrNew)
{
    EXPECT_FALSE(book.unsaved(*table, count));
    (*table)[0][5] = "typed";
    EXPECT_TRUE(book.unsaved(*table, count));
    (*table)[0][5].clear();
    add("second");
    std::swap((*table)[0], (*table)[1]); // a reorder applied, whatever Save shows
    EXPECT_TRUE(book.unsaved(*table, count));
    ASSERT_TRUE(save(false).saved());
    EXPECT_FALSE(book.unsaved(*table, count));
    Module1::clearWholeTable();
    book.startNew();
    count = 0;
    table = std::make_unique<Module1::Table>();
    EXPECT_EQ(Module1::DataFileName, "新規");
    EXPECT_FALSE(book.unsaved(*table, count));
    // A file that failed to read leaves an empty book and no file to write without the save dialog.
    writeFile(path("short.kf1"), OneRecord + "\"a field too many\"\r\n");
    const ReadResult read = open("short.kf1");
    EXPECT_EQ(std::pair(read.error, count), std::pair(FileError::InputPastEndOfFile, 0));
    EXPECT_TRUE((*table)[0][0].isEmpty() && book.needsSaveDialog() && !book.unsaved(*table, count));
    ASSERT_TRUE(book.saveAs(path("chosen.kf1"), *table, count, nullptr).saved());
    EXPECT_FALSE(book.needsSaveDialog()) << "once saved by the user's choice, the book has a file again";
    EXPECT_FALSE(open("chosen.kf1").error != FileError::None || book.unsaved(*table, count)) << "an empty book";
    // So does a file that read but is not a book this program wrote.
    writeFile(path("sheet.csv"), "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n");
    open("sheet.csv");
    EXPECT_TRUE(count == 1 && book.needsSaveDialog());
    open("a.kf1");
    EXPECT_FALSE(book.needsSaveDialog());
}

// A signal or a logout: unsaved changes go to the book's file only where the exit would save without asking;
// anything else goes to a rescue copy, and nothing unchanged is written anywhere.
TEST_F(Session, EndingQuietlySavesWhereTheExitWouldElseRescues)
{
    EXPECT_EQ(book.endQuietly(*table, count, true, Noon).kind, QuietEnd::Kind::NothingUnsaved);
    struct Case
    {
        const char* what;
        const char* file;
        bool autoSave;
        QuietEnd::Kind end;
    };
    writeFile(path("short.kf1"), OneRecord + "\"x\"\r\n");
    writeFile(path("sheet.csv"), "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n");
    const Case cases[] = {
        {.what = "auto-save", .file = "a.kf1", .autoSave = true, .end = QuietEnd::Kind::Saved},
        {.what = "no auto-save", .file = "a.kf1", .autoSave = false, .end = QuietEnd::Kind::Rescued},
        {.what = "a file that failed to read", .file = "short.kf1", .autoSave = true, .end = QuietEnd::Kind::Rescued},
        {.what = "not a book", .file = "sheet.csv", .autoSave = true, .end = QuietEnd::Kind::Rescued},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray before = readAll(path(c.file));
        open(c.file);
        add("unsaved");
        const QuietEnd end = book.endQuietly(*table, count, c.autoSave, Noon);
        EXPECT_EQ(end.kind, c.end);
        EXPECT_EQ(readAll(path(c.file)) == before, c.end != QuietEnd::Kind::Saved);
        if (c.end == QuietEnd::Kind::Rescued) {
            EXPECT_EQ(readAll(end.rescue.path), formatSpreadsheet(*table, count));
            EXPECT_EQ(modeOf(end.rescue.path), 0600u);
        }
    }
    // A cell the book file cannot give back is not written into the book: the rescue copy holds it, under a name of
    // its own although made in the same second as another.
    open("a.kf1");
    const QByteArray before = readAll(path("a.kf1"));
    add("7h\",Kx");
    EXPECT_EQ(book.endQuietly(*table, count, true, Noon).kind, QuietEnd::Kind::Rescued);
    EXPECT_EQ(readAll(path("a.kf1")), before);
    EXPECT_EQ(rescued(), QStringList({"a-20261207-120000-2.csv", "a-20261207-120000.csv", "sheet-20261207-120000.csv",
                                      "short-20261207-120000.csv"}));
    EXPECT_EQ(modeOf(path("data/Keyfold/rescue")), 0700u);
}

// Where the rescue folder cannot be made, the copy goes beside the book (a book without a file: the home folder),
// then into the home folder; when nothing takes it, every place and its real cause are told.
TEST_F(Session, RescueCopiesLandSomewhereAndTheCauseIsToldWhenNowhere)
{
    add("unsaved");
    writeFile(path("data"), "a file where the data folder should be");
    QuietEnd end = book.endQuietly(*table, count, false, Noon);
    EXPECT_EQ(end.rescue.path, path("a-20261207-120000.csv"));
    book.startNew();
    end = book.endQuietly(*table, count, false, Noon);
    EXPECT_EQ(end.rescue.path, path("home/新規-20261207-120000.csv"));

    // As another user, with every place closed to it: the folders' permissions are the cause.
    QFile::remove(path("data"));
    for (const char* folder : {"", "home"}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path(folder)).constData(), 0755), 0);
    }
    const int status = testsupport::inChild([&] {
        if (!testsupport::dropPrivileges()) {
            return 200;
        }
        book.setFileName(path("a.kf1"));
        const QuietEnd lost = book.endQuietly(*table, count, false, Noon);
        const QList<RescueAttempt> expected = {{path("data/Keyfold/rescue"), FileError::PermissionDenied},
                                               {path("a-20261207-120000-2.csv"), FileError::PermissionDenied},
                                               {path("home/a-20261207-120000.csv"), FileError::PermissionDenied}};
        if (lost.kind != QuietEnd::Kind::Lost || lost.rescue.failed.size() != expected.size()) {
            return 1;
        }
        for (int i = 0; i < expected.size(); ++i) {
            if (lost.rescue.failed[i].path != expected[i].path || lost.rescue.failed[i].error != expected[i].error) {
                return 2 + i;
            }
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

// The answer given when the desktop session began to end holds for the quit that follows it, for nothing else.
TEST_F(Session, ASessionEndsAnswerHoldsOnlyForTheQuitThatFollows)
{
    add("unsaved");
    struct Case
    {
        const char* what;
        bool quit;
        bool changedSince;
        bool answered;
    };
    const Case cases[] = {
        {.what = "logout", .quit = true, .changedSince = false, .answered = true},
        {.what = "checkpoint, or a logout cancelled, then Exit",
         .quit = false,
         .changedSince = false,
         .answered = false},
        {.what = "changed after the answer", .quit = true, .changedSince = true, .answered = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        book.sessionEndAnswered(*table, count);
        if (c.changedSince) {
            (*table)[0][1] += "x";
        }
        if (c.quit) {
            book.quitStarting();
        }
        EXPECT_EQ(book.exitAlreadyAnswered(*table, count), c.answered);
        book.quitStarting();
        EXPECT_FALSE(book.exitAlreadyAnswered(*table, count)) << "an answer counts once";
    }
}

TEST_F(Session, ASaveUnderANewNameThatFailsKeepsTheOldName)
{
    add("second");
    const SaveResult failed = book.saveAs(path("missing/b.kf1"), *table, count, nullptr);
    EXPECT_EQ(std::pair(failed.outcome, failed.error), std::pair(SaveOutcome::Failed, FileError::PathNotFound));
    EXPECT_EQ(Module1::DataFileName, path("a.kf1"));
    (*table)[1][12] = "x\"\ny";
    const SaveResult refused = book.saveAs(path("b.kf1"), *table, count, nullptr);
    ASSERT_TRUE(refused.notReadBack.has_value());
    EXPECT_EQ(std::tuple(refused.error, refused.notReadBack->record, refused.notReadBack->field),
              std::tuple(FileError::NotReadBack, 1, 12));
    EXPECT_FALSE(QFile::exists(path("b.kf1")));
    EXPECT_EQ(Module1::DataFileName, path("a.kf1"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
