// Damaged, strange and unreadable files opened as Open does (DataOpen, then DispdataOutPut) over another book: each
// must end with the right message (or none), a consistent book and a window that still steps through it.
#include "mainwin/Form1.h"
#include "store/Module1.h"
#include "support/Dialogs.h"
#include "support/TestApp.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <random>
#include <ranges>

namespace {

using namespace Module1;

const QString PastEnd = QStringLiteral("Keyfold") + "ファイルにこれ以上データがありません。";
const QString TooMany = "レコードが1000件を超えているため、このファイルを開けません。";
// One record in the program's own format, one quoted field a line.
const QStringList RecordFields = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m"};
const QByteArray Record = ('"' + RecordFields.join("\"\r\n\"") + "\"\r\n").toLatin1();

// Random bytes from a fixed seed. With delimiters, one byte in four is a comma or a line end; in lines, each 40
// bytes with no quote, comma or line end among them are followed by CR LF.
QByteArray noise(unsigned seed, int size, bool delimiters = false, bool lines = false)
{
    std::mt19937 random(seed);
    QByteArray out;
    for (int i = 0; i < size; ++i) {
        const char b = delimiters && random() % 4 == 0 ? ",\r\n"[random() % 3] : static_cast<char>(random());
        out += !lines ? b : i % 42 >= 40 ? "\r\n"[i % 42 - 40] : QByteArray("\",\r\n").contains(b) ? 'x' : b;
    }
    return out;
}

class HostileFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    testsupport::TempSettings settings;
    std::unique_ptr<Form1> w = [] {
        testsupport::resetProgramState();
        return testsupport::makeShownMainWindow();
    }();
};

TEST_F(HostileFiles, EachEndsWithItsMessageAConsistentBookAndAWorkingWindow)
{
    // The file (a name ending in '/' is made as an empty folder), the one message expected (none when empty), the
    // records read and, when checked, the last of them.
    const std::tuple<QString, QByteArray, QString, int, QStringList> cases[] = {
        {"empty.kf1", {}, "", 0, {}},
        // Plain noise mostly stops inside a record; noise thick with delimiters holds over a thousand records.
        {"noise-1M.bin", noise(3, 1 << 20), PastEnd, 0, {}},
        {"noise-delimiters-256K.bin", noise(4, 256 << 10, true), TooMany, 0, {}},
        // NUL and control characters inside otherwise well-formed lines.
        {"noisy-lines.kf1", noise(5, 2 * FieldCount * 42, false, true), "", 2, {}},
        {"50MB-quote-never-closed.kf1", '"' + QByteArray(50 << 20, 'a'), PastEnd, 0, {}},
        {"1001-records.kf1", Record.repeated(1001), TooMany, 0, {}},
        // 0x80, 0xA0 and 0xFD to 0xFF are no characters; the lead bytes 0x81 and 0x82 lack their trail byte before a
        // blank, a closing quote and the end of the file; 漢字 and ｱｲ between them are good.
        {"bad-cp932.kf1",
         "\"\x80zz\xa0\"\r\n\"\xfd\xfe\xff\"\r\n\"\x81 x\"\r\n\"\x8a\xbf\x8e\x9a\x81\"\r\n\"\xb1\xb2\x82\"\r\n" +
             QByteArray("\"ok\"\r\n").repeated(7) + "\x82",
         "", 1, QStringList{"?zz?", "???", "? x", "漢字?", "ｱｲ?", "ok", "ok", "ok", "ok", "ok", "ok", "ok", "?"}},
        // Straight after the bad bytes: the converter is left in no odd state.
        {"1000-records.kf1", Record.repeated(1000), "", 1000, RecordFields},
        {"folder.kf1/", {}, "パス名が無効です。", 0, {}},
        {"帳簿 の フォルダ/私の 口座.kf1", Record.repeated(2), "", 2, RecordFields},
    };
    for (const auto& [name, bytes, message, n, last] : cases) {
        SCOPED_TRACE(name.toStdString());
        const QString file = QDir::cleanPath(dir.filePath(name));
        QFile out(file);
        ASSERT_TRUE(QDir().mkpath(name.endsWith('/') ? file : file.section('/', 0, -2)));
        ASSERT_TRUE(name.endsWith('/') ||
                    (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush()));
        // Over a book of three at its second record, with Delete and reorder, to be opened next time.
        testsupport::fillBook(3);
        w->VScroll1->setMaximum(3);
        w->VScroll1->setValue(1);
        w->Check1->setChecked(true);
        w->mnuChange->setEnabled(true);
        setEnabledPair(w->Command2, w->mnuDel, true);
        DataFileName = file;
        w->DataOpen();
        w->DispdataOutPut();
        EXPECT_EQ(ui::Prompts::takeMessages(), QList<ui::MessageRequest>(!message.isEmpty(), {message, "Keyfold"}));
        ASSERT_EQ(std::tuple(RecordCount, w->VScroll1->maximum(), w->VScroll1->value()), std::tuple(n, n, 0));
        EXPECT_EQ(w->windowTitle(), (message.isEmpty() ? file : "新規") + " - Keyfold");
        EXPECT_TRUE(std::ranges::all_of(RecordTable | std::views::drop(n) | std::views::join, &QString::isEmpty));
        EXPECT_TRUE(last.isEmpty() || std::ranges::equal(RecordTable[n - 1], last)) << "the last record read";
        // Overwrite and Clear go with a record, Delete and reorder with a book read; Add stays off (position 0, or box
        // 0 empty); a file that exists is still to be opened next time.
        EXPECT_EQ(w->Command6->isEnabled() + w->Command5->isEnabled(), n > 0 ? 2 : 0);
        EXPECT_TRUE(w->mnuChange->isEnabled() == message.isEmpty() && w->Command2->isEnabled() == message.isEmpty() &&
                    !w->Command4->isEnabled() && w->Check1->isChecked());
        w->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(w->VScroll1->value(), std::min(n, 1));
        for (const int at : {w->VScroll1->value(), std::max(n - 1, 0), n, 0}) {
            w->VScroll1->setValue(at);
            EXPECT_TRUE(std::ranges::equal(w->Text1, RecordTable[at], {}, &QLineEdit::text)) << "boxes at " << at;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
