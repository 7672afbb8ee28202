#pragma once

#include <QGroupBox>

namespace ui {

// A frame as the forms are designed: an etched rectangle whose top line runs through the middle of its caption,
// so controls laid out just below the caption stay clear of the line.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
