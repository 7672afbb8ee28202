// Damaged, strange and unreadable files opened through the main window's DataOpen, the way Open and the start-up do:
// each must end with the right message (or none), a consistent book and a window that still works.
#include "support/TestApp.h"

#include "mainwin/Form1.h"
#include "store/DataFile.h"
#include "store/Module1.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Module1::FieldCount;
using Module1::RecordCount;
using Module1::RecordSlots;
using Module1::RecordTable;

const QString NewBookCaption = QStringLiteral("新規 - Keyfold");
const QString PastEndText = QStringLiteral("Keyfold") + QStringLiteral("ファイルにこれ以上データがありません。");
const QString TooManyText = QStringLiteral("レコードが1000件を超えているため、このファイルを開けません。");

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList boxes(const Form1& w)
{
    QStringList texts;
    for (const QLineEdit* box : w.Text1) {
        texts << box->text();
    }
    return texts;
}

QStringList slotTexts(int record)
{
    QStringList texts;
    for (const QString& cell : RecordTable[static_cast<size_t>(record)]) {
        texts << cell;
    }
    return texts;
}

// n records in the program's own format, field f of record r holding "r<r>f<f>" (field 0: "接続先<r>").
QByteArray numberedBook(int n)
{
    QByteArray out;
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < FieldCount; ++f) {
            out += '"';
            if (f == 0) {
                out += "\x90\xda\x91\xb1\x90\xe6"; // 接続先 in code page 932
                out += QByteArray::number(r);
            } else {
                out += 'r';
                out += QByteArray::number(r);
                out += 'f';
                out += QByteArray::number(f);
            }
            out += "\"\r\n";
        }
    }
    return out;
}

class HostileFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::resetProgramState();
        ASSERT_TRUE(dir.isValid());
        w = testsupport::makeShownMainWindow();
        // Some other book is open and shown at its second record, so a failed read must visibly get rid of it.
        testsupport::fillBook(3);
        w->VScroll1->setMaximum(3);
        w->VScroll1->setValue(1);
        ui::Prompts::takeMessages();
    }
    void TearDown() override
    {
        w.reset();
        testsupport::resetProgramState();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        const QString file = path(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << file.toStdString();
        EXPECT_EQ(out.write(bytes), bytes.size());
        return file;
    }

    // What Open does once the dialog has given a path; returns the messages shown on the way.
    QList<ui::MessageRequest> open(const QString& file)
    {
        Module1::DataFileName = file;
        w->DataOpen();
        w->DispdataOutPut();
        return ui::Prompts::takeMessages();
    }

    static void expectOnlyMessage(const QList<ui::MessageRequest>& messages, const QString& text)
    {
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].title, QStringLiteral("Keyfold"));
        EXPECT_EQ(messages[0].buttons, ui::Buttons::Ok);
    }

    // A failed read: no trace of the book that was open before, and the caption of a new book.
    void expectEmptyBookAfterFailure()
    {
        EXPECT_EQ(RecordCount, 0);
        EXPECT_EQ(w->windowTitle(), NewBookCaption);
        EXPECT_FALSE(w->mnuChange->isEnabled());
        expectConsistentAndResponsive();
    }

    // The book agrees with the scroll bar and the boxes, nothing lies above it, and the window still moves through
    // it and handles events.
    void expectConsistentAndResponsive()
    {
        const int n = RecordCount;
        ASSERT_GE(n, 0);
        ASSERT_LE(n, Module1::MaxRecords);
        EXPECT_EQ(w->VScroll1->maximum(), n);
        EXPECT_EQ(w->VScroll1->value(), 0);
        int filledAboveBook = 0;
        for (int r = n; r < RecordSlots; ++r) {
            for (const QString& cell : RecordTable[static_cast<size_t>(r)]) {
                filledAboveBook += cell.isEmpty() ? 0 : 1;
            }
        }
        EXPECT_EQ(filledAboveBook, 0) << "cells at or above slot " << n << " hold text";
        EXPECT_EQ(boxes(*w), slotTexts(0));
        EXPECT_EQ(w->Command6->isEnabled(), n > 0) << "Overwrite";
        EXPECT_EQ(w->Command5->isEnabled(), n > 0) << "Clear";

        // One step by the scroll bar's own arrow, then the last record, the blank position and back to the start.
        w->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(w->VScroll1->value(), n > 0 ? 1 : 0);
        EXPECT_EQ(boxes(*w), slotTexts(w->VScroll1->value()));
        for (const int position : {n > 0 ? n - 1 : 0, n, 0}) {
            w->VScroll1->setValue(position);
            EXPECT_EQ(boxes(*w), slotTexts(position)) << "at position " << position;
        }
        EXPECT_FALSE(w->Command4->isEnabled()) << "Add, with an empty box 0 or away from the blank position";

        bool delivered = false;
        QTimer::singleShot(0, w.get(), [&delivered] { delivered = true; });
        QApplication::processEvents();
        EXPECT_TRUE(delivered) << "the event loop no longer delivers events";
        EXPECT_TRUE(w->isVisible());
    }

    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w;
};

TEST_F(HostileFiles, EmptyFileIsAnEmptyBookWithoutAMessage)
{
    const QString file = write(QStringLiteral("empty.kf1"), QByteArray());
    EXPECT_TRUE(open(file).isEmpty());
    EXPECT_EQ(RecordCount, 0);
    EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - Keyfold"));
    EXPECT_TRUE(w->Command2->isEnabled()) << "Delete";
    expectConsistentAndResponsive();
}

TEST_F(HostileFiles, BinaryNoiseGivesAConsistentBookAndAtMostOneMessage)
{
    // Plain noise mostly stops inside a record; noise thick with commas and line ends has more fields than a
    // thousand records. Whatever the reader decides, the window must agree with it. Fixed seeds, so a failure repeats.
    const struct
    {
        unsigned seed;
        int size;
        bool manyDelimiters;
    } noises[] = {{1, 13, false}, {2, 4 * 1024, false}, {3, 1024 * 1024, false}, {4, 256 * 1024, true}};
    for (const auto& noise : noises) {
        SCOPED_TRACE(noise.seed);
        std::mt19937 random(noise.seed);
        QByteArray bytes(noise.size, Qt::Uninitialized);
        for (char& b : bytes) {
            b = static_cast<char>(random() & 0xFF);
            if (noise.manyDelimiters && (random() & 3) == 0) {
                b = ",\r\n"[random() % 3];
            }
        }
        const QString file = write(QStringLiteral("noise%1.bin").arg(noise.seed), bytes);
        const QList<ui::MessageRequest> messages = open(file);
        ASSERT_LE(messages.size(), 1);
        if (messages.isEmpty()) {
            EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - Keyfold"));
            expectConsistentAndResponsive();
        } else {
            EXPECT_TRUE(messages[0].text == PastEndText || messages[0].text == TooManyText)
                << messages[0].text.toStdString();
            EXPECT_EQ(messages[0].title, QStringLiteral("Keyfold"));
            EXPECT_EQ(messages[0].buttons, ui::Buttons::Ok);
            expectEmptyBookAfterFailure();
        }
    }
}

TEST_F(HostileFiles, NoiseInsideWellFormedLinesOpensAsRecords)
{
    // Two records of 13 lines whose text is random bytes (control characters and NUL included) apart from the
    // quote, the comma and the line ends: the file is complete, so it opens without a message.
    std::mt19937 random(5);
    QByteArray bytes;
    for (int line = 0; line < 2 * FieldCount; ++line) {
        for (int i = 0; i < 40; ++i) {
            char b = static_cast<char>(random() & 0xFF);
            while (b == '"' || b == ',' || b == '\r' || b == '\n') {
                b = static_cast<char>(random() & 0xFF);
            }
            bytes += b;
        }
        bytes += "\r\n";
    }
    const QString file = write(QStringLiteral("noisy-lines.kf1"), bytes);
    EXPECT_TRUE(open(file).isEmpty());
    EXPECT_EQ(RecordCount, 2);
    EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - Keyfold"));
    expectConsistentAndResponsive();
}

TEST_F(HostileFiles, FiftyMegabyteLineWithoutALineEndIsACutOffRecord)
{
    // One field and then the end of the file: the first record never completes. Once unquoted, once as a quoted
    // field whose closing quote never comes.
    QByteArray line(50 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i) {
        line[i] = static_cast<char>('a' + i % 26);
    }
    for (const char first : {'a', '"'}) {
        SCOPED_TRACE(first);
        line[0] = first;
        const QString file = write(QStringLiteral("huge.kf1"), line);
        expectOnlyMessage(open(file), PastEndText);
        expectEmptyBookAfterFailure();
        ASSERT_TRUE(QFile::remove(file));
    }
}

TEST_F(HostileFiles, ThousandRecordsOpenButOneMoreIsRefused)
{
    const QString full = write(QStringLiteral("full.kf1"), numberedBook(1000));
    EXPECT_TRUE(open(full).isEmpty());
    EXPECT_EQ(RecordCount, 1000);
    EXPECT_EQ(RecordTable[999][12], u("r999f12"));
    expectConsistentAndResponsive();

    const QString over = write(QStringLiteral("over.kf1"), numberedBook(1001));
    expectOnlyMessage(open(over), TooManyText);
    expectEmptyBookAfterFailure();
}

TEST_F(HostileFiles, InvalidCodePage932BytesReadAsQuestionMarks)
{
    // One record: bytes that are no character, lead bytes without their trail byte (also at the very end of the
    // file), and good kanji and half-width katakana between them.
    QByteArray bytes;
    bytes += "\"\x80"
             "ab\xa0\"\r\n";                 // 0x80 and 0xA0 are not characters
    bytes += "\"\xfd\xfe\xff\"\r\n";         // neither are 0xFD to 0xFF
    bytes += "\"\x81 x\"\r\n";               // a lead byte followed by a blank, which is no trail byte
    bytes += "\"\x8a\xbf\x8e\x9a\x81\"\r\n"; // 漢字, then a lead byte cut off by the closing quote
    bytes += "\"\xb1\xb2\x82\"\r\n";         // ｱｲ, then a lead byte cut off by the closing quote
    for (int f = 5; f < FieldCount - 1; ++f) {
        bytes += "\"ok\"\r\n";
    }
    bytes += "\x82"; // the last field: a lone lead byte, then the end of the file
    const QString file = write(QStringLiteral("bad932.kf1"), bytes);

    EXPECT_TRUE(open(file).isEmpty());
    EXPECT_EQ(RecordCount, 1);
    EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - Keyfold"));
    EXPECT_EQ(RecordTable[0][0], u("?ab?"));
    EXPECT_EQ(RecordTable[0][1], u("???"));
    EXPECT_EQ(RecordTable[0][2], u("? x"));
    EXPECT_EQ(RecordTable[0][3], u("漢字?"));
    EXPECT_EQ(RecordTable[0][4], u("ｱｲ?"));
    EXPECT_EQ(RecordTable[0][12], u("?"));
    expectConsistentAndResponsive();

    // The converter is left in no odd state: a good file read next comes out exactly.
    const QString good = write(QStringLiteral("good.kf1"), numberedBook(2));
    EXPECT_TRUE(open(good).isEmpty());
    EXPECT_EQ(RecordCount, 2);
    EXPECT_EQ(RecordTable[1][0], u("接続先1"));
    expectConsistentAndResponsive();
}

TEST_F(HostileFiles, FolderInsteadOfAFile)
{
    const QString folder = path(QStringLiteral("folder.kf1"));
    ASSERT_TRUE(QDir().mkpath(folder));
    expectOnlyMessage(open(folder), QStringLiteral("パス名が無効です。"));
    expectEmptyBookAfterFailure();
}

TEST_F(HostileFiles, FileWithoutReadPermission)
{
    if (::geteuid() == 0) {
        // Root's rights override the permission bits, so the file would simply open; the case exists only for an
        // ordinary user.
        GTEST_SKIP() << "running as root, which reads a file whatever its permission bits say";
    }
    const QString file = write(QStringLiteral("locked.kf1"), numberedBook(1));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
    expectOnlyMessage(open(file), QStringLiteral("書き込みできません。"));
    expectEmptyBookAfterFailure();
    ::chmod(QFile::encodeName(file).constData(), S_IRUSR | S_IWUSR);
}

TEST_F(HostileFiles, JapanesePathWithBlanksOpensAndIsShownInTheCaption)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath(u("帳簿 の フォルダ")));
    const QString file = write(u("帳簿 の フォルダ/私の 口座 一覧.kf1"), numberedBook(2));
    EXPECT_TRUE(open(file).isEmpty());
    EXPECT_EQ(RecordCount, 2);
    EXPECT_EQ(w->windowTitle(), file + QStringLiteral(" - Keyfold"));
    EXPECT_TRUE(w->windowTitle().contains(u("/帳簿 の フォルダ/私の 口座 一覧.kf1 - Keyfold")));
    EXPECT_EQ(RecordTable[0][0], u("接続先0"));
    expectConsistentAndResponsive();
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
