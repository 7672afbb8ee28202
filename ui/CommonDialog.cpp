#include "ui/CommonDialog.h"

#include "ui/Prompts.h"

namespace ui {

bool CommonDialog::ShowOpen()
{
    return show(false);
}

bool CommonDialog::ShowSave()
{
    return show(true);
}

bool CommonDialog::show(bool save)
{
    // Only the descriptions go to the dialog: each already names its pattern in parentheses.
    const QStringList parts = Filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        nameFilters.append(parts.at(i));
    }
    const std::optional<FileAnswer> answer =
        Prompts::fileDialog({save, DialogTitle, nameFilters, FilterIndex - 1, FileName});
    if (!answer) {
        return false;
    }
    FileName = answer->fileName;
    if (answer->filterIndex >= 0) {
        FilterIndex = answer->filterIndex + 1;
    }
    return true;
}

} // namespace ui
