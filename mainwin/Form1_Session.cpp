// Ending without the window: a signal from the system, or the end of the desktop session.
#include "mainwin/Form1.h"

#include "login/Settings.h"
#include "login/frmOption.h"
#include "store/Module1.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QDateTime>
#include <QGuiApplication>
#include <QPushButton>
#include <QSessionManager>

#include <cstdio>
#include <functional>

using namespace Module1;

namespace {

// Sees the application's Quit alone; the window's own filter watches its controls and must not see every event of
// the application as well.
class QuitWatch : public QObject
{
public:
    QuitWatch(QObject* parent, std::function<void()> onQuit) : QObject(parent), m_onQuit(std::move(onQuit)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && watched == qApp) {
            m_onQuit();
        }
        return false;
    }

private:
    std::function<void()> m_onQuit;
};

} // namespace

void Form1::saveOrRescueQuietly()
{
    const store::QuietEnd end =
        m_book.endQuietly(RecordTable, RecordCount, optionForm().Check5->isChecked(), QDateTime::currentDateTime());
    QString line;
    switch (end.kind) {
    case store::QuietEnd::Kind::NothingUnsaved:
        return;
    case store::QuietEnd::Kind::Saved:
        setEnabledPair(Command1, mnuSave, false);
        setCaption(DataFileName);
        return;
    case store::QuietEnd::Kind::Rescued:
        login::recordRescueCopy(end.rescue.path);
        line = QStringLiteral("Keyfold: 保存されていない変更を %1 に保存しました。").arg(end.rescue.path);
        break;
    case store::QuietEnd::Kind::Lost:
        line = QStringLiteral("Keyfold: 保存されていない変更を保存できませんでした。");
        break;
    }
    for (const store::RescueAttempt& attempt : end.rescue.failed) {
        line += QStringLiteral("\n  %1: %2").arg(attempt.path, store::errorDescription(attempt.error));
    }
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void Form1::endWithoutWindow()
{
    if (m_running) {
        saveOrRescueQuietly();
        storeExitSettings();
    }
    ui::ProgramEnd::now();
}

bool Form1::commitSession(bool interactionAllowed)
{
    if (!m_running) {
        return false;
    }
    if (!interactionAllowed) {
        saveOrRescueQuietly();
    } else if (!settleUnsavedChanges()) {
        return true;
    }
    m_book.sessionEndAnswered(RecordTable, RecordCount);
    storeExitSettings();
    return false;
}

void Form1::watchSessionEnd()
{
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        const bool interaction = manager.allowsInteraction();
        if (commitSession(interaction)) {
            manager.cancel();
        }
        if (interaction) {
            manager.release();
        }
    });
    // Qt delivers the session manager's "die" as a quit of the application, which closes the window.
    qApp->installEventFilter(new QuitWatch(this, [this] { m_book.quitStarting(); }));
}
