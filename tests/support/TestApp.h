#pragma once

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

class Form1;

// Shared set-up for widget tests: an offscreen application with the program's style, prompts answered from a
// script, the end of the program replaced by a hook, settings in a temporary folder.
namespace testsupport {

// Runs the tests of one test program inside a QApplication. Use from main().
int runAll(int argc, char** argv);

// Everything a test changes in the program's global state, put back as at start.
void resetProgramState();

// A fresh settings folder for the test (the settings file lives in it); removed afterwards.
class TempSettings
{
public:
    TempSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    QString path() const { return m_dir.path(); }
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("Keyfold/Keyfold.conf")); }
    // FileName, Check1 and the three options on disk, by the names and in the section the settings file has always
    // used, joined by '|', '-' for each absent.
    QString stored() const;

private:
    QTemporaryDir m_dir;
};

// A main window, shown and active so that focus moves as for a user, without running the start-up.
std::unique_ptr<Form1> makeShownMainWindow();

// The data file of the book WindowTest::showBook fills: field f of record r reads "r<r>f<f>", field 0 "provider<r>".
QByteArray bookBytes(int count);

} // namespace testsupport
