#pragma once

#include <QCheckBox>

namespace ui {

// A check box whose caption may wrap onto further lines, as a narrow check box with a long caption needs.
class WrapCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit WrapCheckBox(const QString& text, QWidget* parent = nullptr);
    void setWordWrap(bool wrap);
    bool wordWrap() const { return m_wordWrap; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool m_wordWrap = false;
};

} // namespace ui
