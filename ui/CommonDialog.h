#pragma once

#include <QString>

// The main window's one file dialog object: it keeps its filter list, the filter last chosen and the path last
// chosen in either dialog, which the next dialog, open or save, offers again.
namespace ui {

class CommonDialog
{
public:
    // Filter in the classic form "description|pattern|description|pattern|".
    QString Filter;
    QString DialogTitle;
    QString FileName;
    int FilterIndex = 1; // 1-based, the first pair is selected at first

    // Each returns false when the user cancels; FileName then keeps its value.
    bool ShowOpen();
    bool ShowSave();

private:
    bool show(bool save);
};

} // namespace ui
