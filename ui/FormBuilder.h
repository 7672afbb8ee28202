#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

// A form's layout is data: a table of controls in twips, turned into widgets here.
namespace ui {

enum class Kind
{
    Label,
    Edit,
    Button,
    CheckBox,
    Frame,
    VScroll,
    List,
    Picture,
    Image
};

enum Flag : unsigned
{
    Disabled = 1u << 0,
    DefaultButton = 1u << 1,
    Bordered = 1u << 2,      // a label with a single-line border
    NoInputMethod = 1u << 3, // only direct keyboard input reaches the box
    Password = 1u << 4,      // every character shown as "*"
    WordWrap = 1u << 5,      // caption wraps onto further lines
};

struct Control
{
    Kind kind;
    QString name;
    QString caption;
    int left, top, width, height; // twips, relative to the parent frame if one is named
    int tabIndex = -1;            // -1: takes no place in the tab order
    unsigned flags = 0;
    QString parent = {}; // the frame the control lies in
    QColor background = {};
    double fontPoints = 0; // 0: the form's own font
    bool bold = false;
};

// A straight line of the form (etched rules are a white and a grey line side by side).
struct Line
{
    int x1, y1, x2, y2; // twips
    QColor color;
    int pixelWidth = 1;
    QString name = {};
};

class BuiltForm
{
public:
    template <class T> T* get(const QString& name) const
    {
        T* widget = qobject_cast<T*>(m_widgets.value(name));
        Q_ASSERT_X(widget, "BuiltForm::get", qPrintable(name));
        return widget;
    }
    void insert(const QString& name, QWidget* widget) { m_widgets.insert(name, widget); }

private:
    QHash<QString, QWidget*> m_widgets;
};

// Builds the controls inside `client` (whose size is the form's client area) and links the tab order.
BuiltForm buildForm(QWidget* client, const QList<Control>& controls, const QList<Line>& lines = {});

// Installs the program's widget style (Fusion, with "*" as the password character).
void installAppStyle();

} // namespace ui
