#include "ui/FormBuilder.h"

#include "ui/AppStyle.h"
#include "ui/Fonts.h"
#include "ui/FrameBox.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"
#include "ui/WrapCheckBox.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>

#include <algorithm>

namespace ui {
namespace {

QWidget* createWidget(const Control& control, QWidget* parent)
{
    switch (control.kind) {
    case Kind::Label: {
        auto* label = new QLabel(control.caption, parent);
        label->setWordWrap(control.flags & WordWrap);
        if (control.flags & Bordered) {
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
            label->setLineWidth(1);
        }
        return label;
    }
    case Kind::Edit: {
        auto* edit = new TextBox(parent);
        edit->setFrame(true);
        edit->setMasked(control.flags & Password);
        edit->setDirectInputOnly(control.flags & NoInputMethod);
        return edit;
    }
    case Kind::Button: {
        auto* button = new QPushButton(control.caption, parent);
        button->setDefault(control.flags & DefaultButton);
        return button;
    }
    case Kind::CheckBox: {
        auto* check = new WrapCheckBox(control.caption, parent);
        check->setWordWrap(control.flags & WordWrap);
        return check;
    }
    case Kind::Frame:
        return new FrameBox(control.caption, parent);
    case Kind::VScroll: {
        auto* bar = new QScrollBar(Qt::Vertical, parent);
        bar->setFocusPolicy(Qt::StrongFocus);
        return bar;
    }
    case Kind::List:
        return new QListWidget(parent);
    case Kind::Picture:
    case Kind::Image: {
        auto* picture = new QLabel(parent);
        picture->setScaledContents(control.kind == Kind::Image);
        return picture;
    }
    }
    return nullptr;
}

bool takesFocus(Kind kind)
{
    return kind == Kind::Edit || kind == Kind::Button || kind == Kind::CheckBox || kind == Kind::VScroll ||
           kind == Kind::List;
}

} // namespace

BuiltForm buildForm(QWidget* client, const QList<Control>& controls, const QList<Line>& lines)
{
    BuiltForm form;
    QList<std::pair<int, QWidget*>> tabChain;
    for (const Control& control : controls) {
        QWidget* parent = control.parent.isEmpty() ? client : form.get<QWidget>(control.parent);
        QWidget* widget = createWidget(control, parent);
        widget->setObjectName(control.name);
        widget->setGeometry(twipsRect(control.left, control.top, control.width, control.height));
        widget->setEnabled(!(control.flags & Disabled));
        if (control.fontPoints > 0) {
            widget->setFont(gothicFont(control.fontPoints, control.bold));
        }
        if (control.background.isValid()) {
            QPalette palette = widget->palette();
            palette.setColor(control.kind == Kind::Edit ? QPalette::Base : QPalette::Window, control.background);
            widget->setPalette(palette);
            widget->setAutoFillBackground(control.kind != Kind::Edit);
        }
        if (control.kind == Kind::Frame) {
            widget->lower(); // frames are drawn behind the controls laid over them
        }
        if (takesFocus(control.kind) && control.tabIndex >= 0) {
            tabChain.append({control.tabIndex, widget});
        } else if (!takesFocus(control.kind)) {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        form.insert(control.name, widget);
    }
    for (const Line& line : lines) {
        auto* rule = new QWidget(client);
        rule->setObjectName(line.name);
        const QPoint from = twipsPoint(line.x1, line.y1);
        const QPoint to = twipsPoint(line.x2, line.y2);
        if (from.y() == to.y()) {
            rule->setGeometry(from.x(), from.y(), std::max(1, to.x() - from.x()), line.pixelWidth);
        } else {
            rule->setGeometry(from.x(), from.y(), line.pixelWidth, std::max(1, to.y() - from.y()));
        }
        QPalette palette = rule->palette();
        palette.setColor(QPalette::Window, line.color);
        rule->setPalette(palette);
        rule->setAutoFillBackground(true);
        rule->setAttribute(Qt::WA_TransparentForMouseEvents);
        rule->lower();
        if (!line.name.isEmpty()) {
            form.insert(line.name, rule);
        }
    }
    std::stable_sort(tabChain.begin(), tabChain.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 1; i < tabChain.size(); ++i) {
        QWidget::setTabOrder(tabChain.at(i - 1).second, tabChain.at(i).second);
    }
    return form;
}

void installAppStyle()
{
    QApplication::setStyle(new AppStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
}

} // namespace ui
