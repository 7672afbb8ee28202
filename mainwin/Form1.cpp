#include "mainwin/Form1.h"

#include "about/frmAbout.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "reorder/frmChange.h"
#include "ui/Composition.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace {

// Set on an edit box while the focus is away at a menu, a message box or another window.
constexpr const char* FocusAwayProperty = "keyfoldFocusAway";

} // namespace

void setEnabledPair(QPushButton* button, QAction* menuEntry, bool enabled)
{
    // Qt hands the focus of a button it disables on to the next control, where Enter or Space would run a command
    // the user never chose (Delete right after Save, Exit right after Delete). Here that focus goes nowhere, so
    // Enter stays with the default button, Add.
    QWidget* window = button->window();
    const bool focusLost = !enabled && button->isEnabled() && window->focusWidget() == button;
    button->setEnabled(enabled);
    if (focusLost && window->focusWidget()) {
        window->focusWidget()->clearFocus();
    }
    menuEntry->setEnabled(enabled);
}

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Keyfold"));
    setWindowIcon(QIcon(QStringLiteral(":/keyfold/icon.png")));
    buildControls();
    buildMenus();
    connectHandlers();
    watchSessionEnd();
    describePosition();
    // Fixed single border: the window keeps the size of its design and cannot be maximised.
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    CommonDialog1.Filter = QStringLiteral(
        "Keyfoldファイル (*.kf1)|*.kf1|Keyfold暗号付きファイル (*.kf2)|*.kf2|CSVファイル (*.csv)|*.csv|");
    ui::Prompts::setParentWindow(this);
    ui::Composition::install();
    centreOnScreen();
}

Form1::~Form1()
{
    // The master-key dialog has no owner window, so nothing else deletes it.
    delete m_login;
}

void Form1::connectHandlers()
{
    for (int i = 0; i < static_cast<int>(Text1.size()); ++i) {
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
        Text1[i]->installEventFilter(this);
    }
    // The wheel is taken where it happens: the toolkit hands a wheel event from a box on to its parent only when
    // the event came from the platform itself.
    centralWidget()->installEventFilter(this);
    for (QWidget* child : centralWidget()->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    connect(VScroll1, &QScrollBar::rangeChanged, this, [this] { describePosition(); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] {
        describePosition();
        const bool focusStays = Text1[0]->hasFocus();
        if (VScroll1->isSliderDown()) {
            VScroll1_Scroll();
        } else {
            VScroll1_Change();
        }
        if (focusStays) {
            presentBox0Again();
        }
    });
    // The user's own moves of the scroll bar (arrows, trough, thumb, keys) are commands; the program's are not.
    connect(VScroll1, &QScrollBar::actionTriggered, this, [] { ui::Composition::settle(); });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });

    using Handler = void (Form1::*)();
    const std::pair<QPushButton*, Handler> buttons[] = {
        {Command1, &Form1::Command1_Click}, {Command2, &Form1::Command2_Click}, {Command3, &Form1::Command3_Click},
        {Command4, &Form1::Command4_Click}, {Command5, &Form1::Command5_Click}, {Command6, &Form1::Command6_Click},
        {Command7, &Form1::Command7_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { userCommand([this, handler] { (this->*handler)(); }); });
    }
    const std::pair<QAction*, Handler> entries[] = {
        {mnuNew, &Form1::mnuNew_Click},           {mnuOpen, &Form1::mnuOpen_Click},
        {mnuSave, &Form1::mnuSave_Click},         {mnuDel, &Form1::mnuDel_Click},
        {mnuExit, &Form1::mnuExit_Click},         {mnuAdd, &Form1::mnuAdd_Click},
        {mnuEditAs, &Form1::mnuEditAs_Click},     {mnuClear, &Form1::mnuClear_Click},
        {mnuChange, &Form1::mnuChange_Click},     {mnuOption, &Form1::mnuOption_Click},
        {mnuVer, &Form1::mnuVer_Click},           {mnuFind, &Form1::mnuFind_Click},
        {mnuFindNext, &Form1::mnuFindNext_Click},
    };
    for (const auto& [entry, handler] : entries) {
        connect(entry, &QAction::triggered, this,
                [this, handler] { userCommand([this, handler] { (this->*handler)(); }); });
    }
}

void Form1::userCommand(const std::function<void()>& handler)
{
    // A word still being composed is committed into the box it was typed in, once, before the command reads the
    // boxes, moves the record or the focus, or opens a window. Handlers that call one another then keep their own
    // order with nothing in between.
    ui::Composition::settle();
    handler();
}

void Form1::setCaption(const QString& path)
{
    setWindowTitle(path + QStringLiteral(" - Keyfold"));
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    // Qt honours a default button only inside dialogs, so Enter is routed here: a focused button takes it as a
    // click, anywhere else it runs Add while Add is enabled.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) {
                button->click();
            }
        } else if (Command4->isEnabled()) {
            userCommand([this] { Command4_Click(); });
        }
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Wheel && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == centralWidget() || centralWidget()->isAncestorOf(widget)) {
            const auto& wheel = static_cast<const QWheelEvent&>(*event);
            return recordWheel(wheel, widget->mapTo(centralWidget(), wheel.position()));
        }
    }
    if (type == QEvent::KeyPress && std::ranges::find(Text1, watched) != Text1.end()) {
        return navigationKey(static_cast<const QKeyEvent&>(*event));
    }
    if (type == QEvent::FocusIn || type == QEvent::FocusOut || type == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < static_cast<int>(Text1.size()); ++i) {
            if (watched != Text1[i]) {
                continue;
            }
            // Focus that only goes to a menu, the menu bar (Alt), a message box or another window comes back to the
            // same box without having been with another control: that is no arrival, and the caret stays where the
            // user left it.
            const auto leftForAWhile = [event] {
                const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
                return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
                       reason == Qt::MenuBarFocusReason;
            };
            if (type == QEvent::FocusOut) {
                Text1[i]->setProperty(FocusAwayProperty, leftForAWhile());
                break;
            }
            if (type == QEvent::FocusIn) {
                const bool returning = leftForAWhile() && Text1[i]->property(FocusAwayProperty).toBool();
                Text1[i]->setProperty(FocusAwayProperty, false);
                Text1[i]->event(event); // let the box take the focus first, then select
                if (!returning) {
                    Text1_GotFocus(i);
                }
                return true;
            }
            Text1_DblClick(i);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

frmOption& Form1::optionForm()
{
    if (!m_option) {
        m_option = new frmOption(this, Check1->isChecked());
        connect(m_option, &frmOption::openThisFileNextTimeChosen, this,
                [this](bool checked) { Check1->setChecked(checked); });
        connect(m_option, &frmOption::passwordMaskChosen, this, [this](bool masked) {
            for (int index : {2, 6, 12}) {
                Text1[index]->setMasked(masked);
            }
        });
    }
    return *m_option;
}

void Form1::mnuOption_Click()
{
    optionForm().exec();
}

void Form1::mnuChange_Click()
{
    frmChange dialog(this);
    // Before the dialog closes: the window shows the new order and marks it unsaved.
    connect(&dialog, &frmChange::reordered, this, &Form1::showReorderedBook);
    dialog.exec();
}

void Form1::mnuVer_Click()
{
    if (!m_about) {
        m_about = new frmAbout(this);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void Form1::showReorderedBook()
{
    VScroll1->setValue(0);
    DispdataOutPut();
    applyRecordCommandStates();
    Command1->setEnabled(true);
    updateFindEntries();
}

frmAbout* Form1::aboutBox() const
{
    return m_about;
}
