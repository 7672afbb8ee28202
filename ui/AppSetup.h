#pragma once

class QApplication;

namespace ui {

// Names, version, Japanese texts of the toolkit's own dialogs, the widget style and the Gothic font: everything the
// program sets on its application before the first window.
void setUpApplication(QApplication& app);

} // namespace ui
