// Ending without the window: a signal from the system, or the end of the desktop session.
#include "mainwin/Form1.h"

#include "login/frmOption.h"
#include "store/DataFile.h"
#include "store/FileErrors.h"
#include "store/Module1.h"
#include "store/Rescue.h"
#include "ui/ProgramEnd.h"
#include "ui/WrapCheckBox.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPushButton>
#include <QSessionManager>

#include <cstdio>

using namespace Module1;

void Form1::saveOrRescueQuietly()
{
    if (!Command1->isEnabled()) {
        return;
    }
    // Only where an exit would save without asking: the auto-save option, and a file that the book may be written
    // to without the save dialog, unchanged by any other program.
    const bool mayAutoSave = optionForm().Check5->isChecked() && !DataFileName.isEmpty() && !m_bookFileUnreadable;
    if (mayAutoSave && DataSave(true) == store::FileError::None) {
        return;
    }
    const QString rescue = store::newRescuePath(DataFileName, QDateTime::currentDateTime());
    const int error =
        rescue.isEmpty() ? store::FileError::PathNotFound : store::writeBookFile(rescue, RecordTable, RecordCount);
    const QByteArray line =
        error == store::FileError::None
            ? (QStringLiteral("Keyfold: 保存されていない変更を %1 に保存しました。").arg(rescue)).toLocal8Bit()
            : (QStringLiteral("Keyfold: 保存されていない変更を保存できませんでした: %1")
                   .arg(store::errorDescription(error)))
                  .toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    if (error == store::FileError::None) {
        m_bookLeftUnsaved = store::formatBook(RecordTable, RecordCount);
    }
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
        storeExitSettings();
        return false;
    }
    if (!settleUnsavedChanges()) {
        return true;
    }
    if (Command1->isEnabled()) { // the user chose not to save
        m_bookLeftUnsaved = store::formatBook(RecordTable, RecordCount);
    }
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
}
