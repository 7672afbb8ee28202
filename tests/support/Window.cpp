#include "support/Window.h"

#include "store/Module1.h"
#include "support/Children.h"
#include "support/Dialogs.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace testsupport {

View viewOf(const Form1& w)
{
    const std::pair<const QPushButton*, const QAction*> pairs[] = {
        {w.Command4, w.mnuAdd},  {w.Command6, w.mnuEditAs}, {w.Command5, w.mnuClear},
        {w.Command1, w.mnuSave}, {w.Command2, w.mnuDel},
    };
    View view{.records = Module1::RecordCount, .at = w.VScroll1->value()};
    EXPECT_EQ(w.VScroll1->maximum(), view.records) << "the scroll bar's range";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pairs[i].first->isEnabled(), pairs[i].second->isEnabled())
            << pairs[i].second->objectName().toStdString();
        view.on |= pairs[i].first->isEnabled() ? 1u << i : 0;
    }
    view.on |= w.mnuChange->isEnabled() ? unsigned(Reorder) : 0u;
    return view;
}

bool blank(const Module1::Record& record)
{
    return std::ranges::all_of(record, &QString::isEmpty);
}

QString describe(const View& view)
{
    QString text = QStringLiteral("%1 records at %2, on:").arg(view.records).arg(view.at);
    const char* const names[] = {"Add", "Overwrite", "Clear", "Save", "Delete", "Reorder"};
    for (int i = 0; i < 6; ++i) {
        text += view.on & (1u << i) ? QStringLiteral(" ") + names[i] : QString();
    }
    return text;
}

void PrintTo(const View& view, std::ostream* os)
{
    *os << describe(view).toStdString();
}

WindowTest::WindowTest()
{
    resetProgramState();
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data")))); // rescue copies stay here
    w = makeShownMainWindow();
}

void WindowTest::TearDown()
{
    EXPECT_EQ(ui::Prompts::pendingAnswers() + ui::Prompts::pendingFileAnswers(), 0)
        << "queued for a prompt never shown";
    w.reset();
    resetProgramState();
}

void WindowTest::showBook(int n, int p, bool unsaved)
{
    setEnabledPair(w->Command1, w->mnuSave, unsaved);
    Module1::clearWholeTable();
    fillBook(n);
    w->VScroll1->setMaximum(n);
    w->VScroll1->setValue(p == 0 ? n : 0);
    w->VScroll1->setValue(p);
}

void WindowTest::openAndAdd(const QString& name, const QByteArray& bytes)
{
    writeFile(path(name), bytes);
    w->book().setFileName(path(name));
    w->DataOpen();
    w->DispdataOutPut();
    w->VScroll1->setValue(Module1::RecordCount);
    w->Text1[0]->setText("typed");
    w->Command4->click();
}

bool WindowTest::showsSlot(int slot) const
{
    return std::ranges::equal(w->Text1, Module1::RecordTable[slot], {}, &QLineEdit::text);
}

namespace {

void queue(std::initializer_list<ui::Answer> answers, std::initializer_list<const char*> files,
           const QTemporaryDir& dir)
{
    std::ranges::for_each(answers, ui::Prompts::queueAnswer);
    for (const char* name : files) {
        *name ? ui::Prompts::queueFileName(dir.filePath(name)) : ui::Prompts::queueFileCancel();
    }
}

} // namespace

void WindowTest::command(QAbstractButton* button, std::initializer_list<ui::Answer> answers,
                         std::initializer_list<const char*> files)
{
    queue(answers, files, dir);
    button->click();
}

void WindowTest::command(QAction* entry, std::initializer_list<ui::Answer> answers,
                         std::initializer_list<const char*> files)
{
    queue(answers, files, dir);
    entry->trigger();
}

QStringList WindowTest::dialogs()
{
    QStringList list;
    for (const ui::FileRequest& request : ui::Prompts::takeFileRequests()) {
        EXPECT_EQ(request.title, request.save ? "ファイルを保存する" : "ファイルを開く");
        EXPECT_EQ(request.nameFilters,
                  QStringList({"Keyfoldファイル (*.kf1)", "Keyfold暗号付きファイル (*.kf2)", "CSVファイル (*.csv)"}));
        EXPECT_EQ(request.filterIndex, 0);
        list << (request.save ? "save " : "open ") + QFileInfo(request.fileName).fileName();
    }
    return list;
}

} // namespace testsupport
