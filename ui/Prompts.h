#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// Every message box and file dialog of the program goes through here. A test switches the service to scripted
// mode, queues the answers it wants given, and reads back exactly what was asked; nothing then waits for a human.
namespace ui {

enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel
};
enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No
};

struct MessageRequest
{
    QString text;
    QString title;
    Buttons buttons = Buttons::Ok;
    Answer defaultAnswer = Answer::Ok;
    bool operator==(const MessageRequest&) const = default;
};

struct FileRequest
{
    bool save = false;
    QString title;
    QStringList nameFilters;
    int filterIndex = 0; // the filter selected when the dialog opens
    QString fileName;    // the path offered
};

struct FileAnswer
{
    QString fileName;
    int filterIndex = 0;
};

class Prompts
{
public:
    // Shows a message box without an icon; the title defaults to the program's title.
    static Answer message(const QString& text, const QString& title = QString(), Buttons buttons = Buttons::Ok,
                          std::optional<Answer> defaultAnswer = std::nullopt);
    // Shows an open or save dialog; an empty result means the user cancelled.
    static std::optional<FileAnswer> fileDialog(const FileRequest& request);

    // The parent for the windows shown (the main window once it exists).
    static void setParentWindow(QWidget* parent);

    // Test seam.
    static void setScripted(bool scripted);
    static bool scripted();
    static void queueAnswer(Answer answer);
    static void queueFileName(const QString& path); // the dialog returns this path
    static void queueFileCancel();                  // the dialog is cancelled
    static QList<MessageRequest> takeMessages();
    static QList<FileRequest> takeFileRequests();
    static int pendingAnswers();
    static int pendingFileAnswers();
    static void reset();
};

// The text a message box displays: a carriage return alone starts a new line.
QString displayText(const QString& text);

} // namespace ui
