#include "about/frmAbout.h"

#include "about/SystemInfo.h"
#include "generated/Version.h"
#include "ui/Fonts.h"
#include "ui/FormBuilder.h"
#include "ui/Twips.h"
#include "ui/Windows.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

using ui::Control;
using ui::Kind;

// The pictures live in the core library's resources, which a static library links in only when they are referenced.
// Outside every namespace, as the resource's registration function is global.
static void loadPictures()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(keyfold);
        return true;
    }();
    (void)loaded;
}

namespace {

constexpr int ClientWidth = 4035;
constexpr int ClientHeight = 2085;

QList<Control> controlTable()
{
    return {
        {Kind::Image, "Image1", {}, 0, 0, 4095, 2220},
        {Kind::Picture, "picIcon", {}, 240, 360, 540, 540, 1},
        // 45 twips taller than designed: the 12 pt bold face needs 18 pixels at 96 dpi and would lose its "y".
        {Kind::Label, "lblTitle", {}, 1200, 240, 1485, 285, 3, 0, {}, {}, 12, true},
        {Kind::Label, "lblVersion", {}, 2400, 600, 1485, 225, 4, 0, {}, {}, 9},
        {Kind::Label, "Label1", "(制作) Keyfold 開発チーム", 1560, 960, 2295, 255, 5},
        {Kind::Label, "Label2", "(連絡先) info@example.com", 1320, 1200, 2535, 255, 6},
        {Kind::Button, "cmdSysInfo", "ｼｽﾃﾑ情報(&S)...", 1200, 1680, 1310, 345, 2},
        {Kind::Button, "cmdOK", "OK", 2640, 1680, 1310, 345, 0, ui::DefaultButton},
    };
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | ui::FixedFrame), m_registry(&about::platformRegistry()),
      m_starter(&about::platformStarter())
{
    loadPictures();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(ui::gothicFont(9));
    setFixedSize(ui::twipsSize(ClientWidth, ClientHeight));

    // The etched rule: a grey line over the top pixel of a two-pixel white one.
    const QList<ui::Line> lines = {
        {120, 1560, 3960, 1560, Qt::white, 2, QStringLiteral("Line1(0)")},
        {120, 1560, 3960, 1560, QColor(128, 128, 128), 1, QStringLiteral("Line1(1)")},
    };
    const ui::BuiltForm form = ui::buildForm(this, controlTable(), lines);
    Image1 = form.get<QLabel>(QStringLiteral("Image1"));
    picIcon = form.get<QLabel>(QStringLiteral("picIcon"));
    lblTitle = form.get<QLabel>(QStringLiteral("lblTitle"));
    lblVersion = form.get<QLabel>(QStringLiteral("lblVersion"));
    Label1 = form.get<QLabel>(QStringLiteral("Label1"));
    Label2 = form.get<QLabel>(QStringLiteral("Label2"));
    cmdSysInfo = form.get<QPushButton>(QStringLiteral("cmdSysInfo"));
    cmdOK = form.get<QPushButton>(QStringLiteral("cmdOK"));

    // The picture lies under everything, the rule on it, the grey line over the white.
    form.get<QWidget>(QStringLiteral("Line1(0)"))->stackUnder(form.get<QWidget>(QStringLiteral("Line1(1)")));
    Image1->lower();
    Image1->setPixmap(QPixmap(QStringLiteral(":/keyfold/clouds.jpg")));
    // The 48-pixel icon is shrunk to its box rather than cut off.
    picIcon->setPixmap(QPixmap(QStringLiteral(":/keyfold/icon.png"))
                           .scaled(picIcon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picIcon->setAlignment(Qt::AlignCenter);

    // The labels have no background, so the clouds show around their text. The picture is light whatever the
    // desktop's colours are, so the text is always black.
    for (QLabel* label : {lblTitle, lblVersion, Label1, Label2}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        label->setAutoFillBackground(false);
    }

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
    cmdOK->setFocus();
    Form_Load();
}

void frmAbout::Form_Load()
{
    const QString title = QString::fromLatin1(keyfold::ProgramTitle);
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
                            .arg(keyfold::VersionMajor)
                            .arg(keyfold::VersionMinor)
                            .arg(keyfold::VersionRevision));
    lblTitle->setText(title);
}

void frmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget()) {
        ui::centreOver(this, owner->window()->frameGeometry());
    }
}

void frmAbout::useSysInfoSources(about::Registry& registry, about::ProgramStarter& starter)
{
    m_registry = &registry;
    m_starter = &starter;
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    // Starting the tool, or failing to, leaves the box open and unchanged.
    about::StartSysInfo(*m_registry, *m_starter);
}
