// The rules of the book on disk, on the session that owns them: a save that keeps the old file whatever stops it,
// another program's writes, another Keyfold saving the same book, what counts as unsaved, where unsaved changes go
// when the program ends without its window, and what the end of a desktop session answers.
#include "store/BookSession.h"
#include "support/Children.h"
#include "support/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace store;
using namespace testsupport;

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
        writeFile(path("short.kf1"), OneRecord + "\"a field too many\"\r\n");
        writeFile(path("sheet.csv"), "a,b,c,d,e,f,g,h,i,j,k,l,m\r\n");
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

    QTemporaryDir dir;
    BookSession book;
    std::unique_ptr<Module1::Table> table = std::make_unique<Module1::Table>();
    int count = 0;
    int answers = 0;
};

// Missing folders and files where folders should be are the main window's tests; here, what only this layer shows.
TEST_F(Session, ANewFileIsForItsOwnerAnOldOneKeepsItsPermissionsAndAFailedSaveKeepsTheName)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path("a.kf1")).constData(), 0644), 0);
    add("ユーザー");
    for (const auto& [name, mode] : {std::pair{"new.kf1", 0600u}, {"a.kf1", 0644u}}) {
        ASSERT_TRUE(book.saveAs(path(name), *table, count, nullptr).saved());
        EXPECT_EQ(modeOf(path(name)), mode) << name;
    }
    EXPECT_EQ(book.saveAs(path("home"), *table, count, nullptr).error, FileError::PathFileAccessError) << "a folder";
    EXPECT_EQ(Module1::DataFileName, path("a.kf1"));
    EXPECT_EQ(deleteBookFile(path("home")), FileError::PathFileAccessError);
    EXPECT_EQ(open("no/nothing.kf1").error, FileError::PathNotFound);
    const int outOfDescriptors = inChild([&] { // the new file cannot be opened, but not for want of rights
        const int lowestFree = ::dup(0);
        const rlimit none{rlim_t(lowestFree), rlim_t(lowestFree)};
        return ::close(lowestFree) == 0 && ::setrlimit(RLIMIT_NOFILE, &none) == 0
                   ? int(writeBookFile(path("a.kf1"), *table, count).error)
                   : 200;
    });
    EXPECT_EQ(outOfDescriptors, int(FileError::DeviceIoError));
}

TEST_F(Session, AnotherProgramsChangesAreWrittenOverOnlyWhenTheUserSaysSo)
{
    add("mine");
    EXPECT_TRUE(save(true).saved());
    add("again");
    EXPECT_TRUE(save(true).saved());
    EXPECT_EQ(answers, 0) << "the book's own writes are not another program's";
    // Another program rewrites the file with bytes of the same size and puts its time back.
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(path("a.kf1")).constData(), &before), 0);
    writeFile(path("a.kf1"), readAll(path("a.kf1")).replace("provider", "PROVIDER"));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path("a.kf1")).constData(), times, 0), 0);
    EXPECT_EQ(save(false).outcome, SaveOutcome::Declined);
    EXPECT_EQ(book.save(*table, count, nullptr).outcome, SaveOutcome::Declined) << "a quiet save has no one to ask";
    EXPECT_TRUE(save(true).saved());
    EXPECT_EQ(answers, 2);
    QFile::remove(path("a.kf1"));
    EXPECT_TRUE(save(false).saved()) << "a file deleted meanwhile is simply written";
}

// Another Keyfold holds the lock beside the book while it saves. Waiting about a second, this one counts the book as
// changed by another program; told to write over it, it waits a little longer and then gives up with its own error.
TEST_F(Session, AnotherKeyfoldSavingTheSameBookIsWaitedForNotRacedWith)
{
    const QString lock = path(".a.kf1.lock");
    auto held = std::make_unique<QLockFile>(lock); // a live process's lock, as another Keyfold's would be
    ASSERT_TRUE(held->tryLock(0));
    add("mine");
    EXPECT_EQ(book.save(*table, count, nullptr).outcome, SaveOutcome::Declined);
    EXPECT_EQ(errorDescription(save(true).error),
              "他のKeyfoldがこのファイルを保存しているため、保存できませんでした。");
    held.reset();
    // A Keyfold that died while saving: the child never unlocks, so the lock outlives it.
    ASSERT_EQ(inChild([&] { return (new QLockFile(lock))->tryLock(0) ? 0 : 1; }), 0);
    EXPECT_TRUE(book.save(*table, count, nullptr).saved()) << "Qt takes over the lock of a process gone";
    EXPECT_FALSE(QFile::exists(lock)) << "the lock goes with the save";
}

TEST_F(Session, UnsavedMeansChangedSinceTheLastReadSaveOrNew)
{
    EXPECT_FALSE(book.unsaved(*table, count));
    add("second");
    EXPECT_TRUE(book.unsaved(*table, count));
    ASSERT_TRUE(save(false).saved());
    EXPECT_FALSE(book.unsaved(*table, count));
    std::swap((*table)[0], (*table)[1]); // a reorder applied, whatever Save shows
    EXPECT_TRUE(book.unsaved(*table, count));
    book.startNew();
    count = 0;
    table = std::make_unique<Module1::Table>();
    EXPECT_FALSE(book.unsaved(*table, count));
    // A file that failed to read leaves an empty book and no file to write without the save dialog.
    open("short.kf1");
    EXPECT_TRUE(count == 0 && (*table)[0][0].isEmpty() && book.needsSaveDialog() && !book.unsaved(*table, count));
    ASSERT_TRUE(book.saveAs(path("chosen.kf1"), *table, count, nullptr).saved());
    EXPECT_FALSE(book.needsSaveDialog()) << "once saved by the user's choice, the book has a file again";
    // So does a file that read but is not a book this program wrote.
    open("sheet.csv");
    EXPECT_TRUE(count == 1 && book.needsSaveDialog());
    EXPECT_FALSE(open("a.kf1").error != FileError::None || book.needsSaveDialog()) << "a book this program wrote";
    EXPECT_FALSE(open("missing.kf1").error != FileError::FileNotFound || book.needsSaveDialog())
        << "a file that is not there simply becomes the book's file";
}

// A signal or a logout: unsaved changes go to the book's file only where the exit would save without asking;
// anything else goes to a rescue copy, and nothing unchanged is written anywhere.
TEST_F(Session, EndingQuietlySavesWhereTheExitWouldElseRescues)
{
    EXPECT_EQ(book.endQuietly(*table, count, true, Noon).kind, QuietEnd::Kind::NothingUnsaved);
    struct Case
    {
        const char* file;
        bool autoSave;
        QuietEnd::Kind end;
        const char* cell = "unsaved";
    };
    const Case cases[] = {
        {.file = "a.kf1", .autoSave = true, .end = QuietEnd::Kind::Saved},
        {.file = "short.kf1", .autoSave = true, .end = QuietEnd::Kind::Rescued}, // a save dialog needed
        // What the book file cannot give back goes to a copy, although the exit would save without asking.
        {.file = "a.kf1", .autoSave = true, .end = QuietEnd::Kind::Rescued, .cell = "7h\",Kx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + c.cell + (c.autoSave ? " auto-save" : ""));
        const QByteArray before = readAll(path(c.file));
        open(c.file);
        add(c.cell);
        const QuietEnd end = book.endQuietly(*table, count, c.autoSave, Noon);
        EXPECT_EQ(end.kind, c.end);
        EXPECT_EQ(readAll(path(c.file)) == before, c.end != QuietEnd::Kind::Saved);
        if (c.end == QuietEnd::Kind::Rescued) {
            EXPECT_EQ(readAll(end.rescue.path), formatSpreadsheet(*table, count));
            EXPECT_EQ(modeOf(end.rescue.path), 0600u);
        }
    }
    EXPECT_EQ(QDir(path("data/Keyfold/rescue")).entryList(QDir::Files),
              QStringList({"a-20261207-120000.csv", "short-20261207-120000.csv"}));
    EXPECT_EQ(modeOf(path("data/Keyfold/rescue")), 0700u);
}

// Where the rescue folder cannot be made or is full, the copy goes beside the book (a book without a file: the home
// folder), then into the home folder; when nothing takes it, every place and its real cause are told. A save onto the
// full disk leaves the old file as it was and nothing beside it, and the folder that refuses the copy refuses a book.
TEST_F(Session, RescueCopiesLandSomewhereAndTheCauseIsToldWhenNowhere)
{
    add(QString(100000, 'x'));
    ASSERT_TRUE(QDir().mkpath(path("data")));
    const int full = inChild([&] { // half a copy, or half a book, would only mislead
        if (!privateMounts() || mount("tmpfs", QFile::encodeName(path("data")), "tmpfs", 0, "size=64k") != 0) {
            return 200;
        }
        writeFile(path("data/b.kf1"), "old");
        const RescueResult rescue = book.endQuietly(*table, count, false, Noon).rescue;
        const FileError saved = book.saveAs(path("data/b.kf1"), *table, count, nullptr).error;
        return rescue.path == path("a-20261207-120000.csv") && rescue.failed.size() == 1 &&
                       rescue.failed[0].error == FileError::DiskFull && QDir(path("data/Keyfold/rescue")).isEmpty() &&
                       readAll(path("data/b.kf1")) == "old" &&
                       QDir(path("data")).entryList(QDir::Files) == QStringList("b.kf1")
                   ? int(saved)
                   : 201;
    });
    EXPECT_EQ(errorDescription(FileError(full)), "ディスクの空き容量が不足しています。")
        << full << " (200: no tmpfs of the test's own, 201: a copy misplaced or the old file lost)";
    book.startNew();
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("a.kf1"))); // a file where the data folder should be
    EXPECT_EQ(book.endQuietly(*table, count, false, Noon).rescue.path, path("home/新規-20261207-120000.csv"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));

    // As another user, with every place closed to it: the folders' permissions are the cause. Root reads and writes
    // whatever the permission bits say, so the child drops its privileges first.
    for (const auto& [name, mode] : {std::pair{"", 0755}, {"home", 0755}, {"short.kf1", 0}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), mode), 0) << name;
    }
    const int status = inChild([&] {
        book.setFileName(path("a.kf1"));
        const QuietEnd lost = dropPrivileges() ? book.endQuietly(*table, count, false, Noon) : QuietEnd{};
        QStringList places;
        bool denied = open("short.kf1").error == FileError::PermissionDenied;
        for (const RescueAttempt& attempt : lost.rescue.failed) {
            places << attempt.path;
            denied = denied && attempt.error == FileError::PermissionDenied;
        }
        return lost.kind == QuietEnd::Kind::Lost && denied &&
                       places == QStringList({path("data/Keyfold/rescue"), path("a-20261207-120000-2.csv"),
                                              path("home/a-20261207-120000.csv")})
                   ? int(book.saveAs(path("b.kf1"), *table, count, nullptr).error)
                   : 1;
    });
    EXPECT_EQ(errorDescription(FileError(status)), "書き込みできません。") << status;
}

// The answer given when the desktop session began to end holds for the quit that follows it, once, and only while
// the book is as it was.
TEST_F(Session, ASessionEndsAnswerHoldsOnlyForTheQuitThatFollows)
{
    book.sessionEndAnswered(*table, count);
    book.quitStarting();
    EXPECT_TRUE(book.exitAlreadyAnswered(*table, count)) << "a logout";
    book.quitStarting();
    EXPECT_FALSE(book.exitAlreadyAnswered(*table, count)) << "an answer counts once";
    book.sessionEndAnswered(*table, count);
    EXPECT_FALSE(book.exitAlreadyAnswered(*table, count)) << "a checkpoint, or a logout cancelled, then Exit";
    book.sessionEndAnswered(*table, count);
    (*table)[0][1] += "x";
    book.quitStarting();
    EXPECT_FALSE(book.exitAlreadyAnswered(*table, count)) << "changed after the answer";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
