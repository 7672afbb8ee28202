#include "support/Window.h"

#include <QFileInfo>

namespace testsupport {

QString shown(const Form1& w)
{
    const std::tuple<const char*, const QPushButton*, const QAction*> commands[] = {
        {"Add", w.Command4, w.mnuAdd},   {"Overwrite", w.Command6, w.mnuEditAs}, {"Clear", w.Command5, w.mnuClear},
        {"Save", w.Command1, w.mnuSave}, {"Delete", w.Command2, w.mnuDel},       {"Reorder", nullptr, w.mnuChange},
        {"Find", nullptr, w.mnuFind},
    };
    EXPECT_EQ(w.VScroll1->maximum(), Module1::RecordCount) << "the scroll bar's range";
    EXPECT_EQ(w.mnuFindNext->isEnabled(), w.mnuFind->isEnabled());
    QString text = QStringLiteral("%1 records at %2:").arg(Module1::RecordCount).arg(w.VScroll1->value());
    for (const auto& [name, button, entry] : commands) {
        EXPECT_TRUE(!button || button->isEnabled() == entry->isEnabled()) << name;
        text += entry->isEnabled() ? QStringLiteral(" ") + name : QString();
    }
    return text;
}

QStringList captions(const QWidget* window)
{
    QStringList texts{window->windowTitle()};
    for (const QWidget* child : window->findChildren<QWidget*>()) {
        texts << child->property("text").toString();
    }
    texts.removeAll("");
    return texts;
}

WindowTest::WindowTest()
{
    resetProgramState();
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data")))); // rescue copies stay here
    w = makeShownMainWindow();
}

void WindowTest::TearDown()
{
    EXPECT_EQ(ui::Prompts::pendingAnswers() + ui::Prompts::pendingFileAnswers(), 0) << "queued for no prompt";
    w.reset();
    resetProgramState();
}

void WindowTest::showBook(int n, int p, bool unsaved)
{
    setEnabledPair(w->Command1, w->mnuSave, unsaved);
    Module1::clearWholeTable();
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < Module1::FieldCount; ++f) {
            Module1::RecordTable[r][f] =
                f ? QStringLiteral("r%1f%2").arg(r).arg(f) : QStringLiteral("provider%1").arg(r);
        }
    }
    Module1::RecordCount = static_cast<std::int16_t>(n);
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
