#include "mainwin/Form1.h"

#include "about/frmAbout.h"
#include "login/frmLogin.h"
#include "login/frmOption.h"
#include "reorder/frmChange.h"
#include "ui/Composition.h"
#include "ui/Prompts.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

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
        // A word still being composed belongs to the record it was typed in, not to the next one.
        ui::Composition::settle();
        if (VScroll1->isSliderDown()) {
            VScroll1_Scroll();
        } else {
            VScroll1_Change();
        }
        if (focusStays) {
            presentBox0Again();
        }
    });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });

    connect(mnuNew, &QAction::triggered, this, [this] { mnuNew_Click(); });
    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpen_Click(); });
    connect(mnuSave, &QAction::triggered, this, [this] { mnuSave_Click(); });
    connect(mnuDel, &QAction::triggered, this, [this] { mnuDel_Click(); });
    connect(mnuExit, &QAction::triggered, this, [this] { mnuExit_Click(); });
    connect(mnuAdd, &QAction::triggered, this, [this] { mnuAdd_Click(); });
    connect(mnuEditAs, &QAction::triggered, this, [this] { mnuEditAs_Click(); });
    connect(mnuClear, &QAction::triggered, this, [this] { mnuClear_Click(); });
    connect(mnuChange, &QAction::triggered, this, [this] { mnuChange_Click(); });
    connect(mnuOption, &QAction::triggered, this, [this] { mnuOption_Click(); });
    connect(mnuVer, &QAction::triggered, this, [this] { mnuVer_Click(); });
    connect(mnuFind, &QAction::triggered, this, [this] { mnuFind_Click(); });
    connect(mnuFindNext, &QAction::triggered, this, [this] { mnuFindNext_Click(); });
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
            Command4_Click();
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
        m_option = new frmOption(*this);
    }
    return *m_option;
}

void Form1::mnuOption_Click()
{
    ui::Composition::settle();
    optionForm().exec();
}

void Form1::mnuChange_Click()
{
    ui::Composition::settle();
    frmChange dialog(*this);
    dialog.exec();
}

void Form1::mnuVer_Click()
{
    ui::Composition::settle();
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
