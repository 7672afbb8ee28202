#include "ui/Prompts.h"

#include "generated/Version.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QQueue>

namespace ui {
namespace {

struct ScriptState
{
    bool scripted = false;
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> fileNames;
    QList<MessageRequest> messages;
    QList<FileRequest> fileRequests;
};

ScriptState& script()
{
    static ScriptState state;
    return state;
}

QPointer<QWidget>& parentWindow()
{
    static QPointer<QWidget> parent;
    return parent;
}

QList<Answer> answersOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return {Answer::Ok};
    case Buttons::OkCancel:
        return {Answer::Ok, Answer::Cancel};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    }
    return {Answer::Ok};
}

QMessageBox::StandardButton standardButton(Answer answer)
{
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

Answer showMessageBox(const MessageRequest& request)
{
    QMessageBox box(parentWindow());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(request.title);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(request.text));
    const QList<Answer> answers = answersOf(request.buttons);
    for (Answer answer : answers) {
        box.addButton(standardButton(answer));
    }
    box.setDefaultButton(standardButton(request.defaultAnswer));
    // Escape and the close box mean Cancel where there is one, and OK on a box that only informs.
    if (answers.contains(Answer::Cancel)) {
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (request.buttons == Buttons::Ok) {
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int clicked = box.exec();
    for (Answer answer : answers) {
        if (clicked == standardButton(answer)) {
            return answer;
        }
    }
    return answers.contains(Answer::Cancel) ? Answer::Cancel : answers.last();
}

std::optional<FileAnswer> showFileDialog(const FileRequest& request)
{
    QFileDialog dialog(parentWindow(), request.title);
    // Qt's own dialog, so it speaks Japanese under every desktop as the rest of the program does.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog takes a name that does not exist (opening it then reports the missing file) and the save
    // dialog replaces an existing file without a question.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(request.nameFilters);
    if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size()) {
        dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FileAnswer{dialog.selectedFiles().constFirst(),
                      static_cast<int>(request.nameFilters.indexOf(dialog.selectedNameFilter()))};
}

} // namespace

QString displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Answer Prompts::message(const QString& text, const QString& title, Buttons buttons, std::optional<Answer> defaultAnswer)
{
    MessageRequest request{text, title.isEmpty() ? QString::fromLatin1(keyfold::ProgramTitle) : title, buttons,
                           defaultAnswer.value_or(answersOf(buttons).constFirst())};
    ScriptState& state = script();
    if (!state.scripted) {
        return showMessageBox(request);
    }
    state.messages.append(request);
    if (!state.answers.isEmpty()) {
        return state.answers.dequeue();
    }
    if (buttons != Buttons::Ok) {
        qWarning("Prompts: no answer queued for the question \"%s\"; giving the default", qPrintable(text));
    }
    return request.defaultAnswer;
}

std::optional<FileAnswer> Prompts::fileDialog(const FileRequest& request)
{
    ScriptState& state = script();
    if (!state.scripted) {
        return showFileDialog(request);
    }
    state.fileRequests.append(request);
    if (state.fileNames.isEmpty()) {
        qWarning("Prompts: no file name queued for the dialog \"%s\"; cancelling", qPrintable(request.title));
        return std::nullopt;
    }
    const std::optional<QString> next = state.fileNames.dequeue();
    if (!next) {
        return std::nullopt;
    }
    return FileAnswer{*next, request.filterIndex};
}

void Prompts::setParentWindow(QWidget* parent)
{
    parentWindow() = parent;
}

void Prompts::setScripted(bool scripted)
{
    script().scripted = scripted;
}

bool Prompts::scripted()
{
    return script().scripted;
}

void Prompts::queueAnswer(Answer answer)
{
    script().answers.enqueue(answer);
}

void Prompts::queueFileName(const QString& path)
{
    script().fileNames.enqueue(path);
}

void Prompts::queueFileCancel()
{
    script().fileNames.enqueue(std::nullopt);
}

QList<MessageRequest> Prompts::takeMessages()
{
    return std::exchange(script().messages, {});
}

QList<FileRequest> Prompts::takeFileRequests()
{
    return std::exchange(script().fileRequests, {});
}

int Prompts::pendingAnswers()
{
    return static_cast<int>(script().answers.size());
}

int Prompts::pendingFileAnswers()
{
    return static_cast<int>(script().fileNames.size());
}

void Prompts::reset()
{
    ScriptState& state = script();
    state.answers.clear();
    state.fileNames.clear();
    state.messages.clear();
    state.fileRequests.clear();
}

} // namespace ui
