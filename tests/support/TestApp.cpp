#include "support/TestApp.h"

#include "support/Window.h"
#include "ui/FormBuilder.h"

namespace testsupport {

int runAll(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installAppStyle();
    ui::setDpiOverride(96.0);
    ui::Prompts::setScripted(true);
    ui::ProgramEnd::setTestHook([] {});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

void resetProgramState()
{
    Module1::resetState();
    ui::Prompts::reset();
    ui::ProgramEnd::resetForTest();
}

QString TempSettings::stored() const
{
    const QSettings file(settingsFile(), QSettings::IniFormat);
    QStringList values;
    for (const char* key : {"FileName", "Check1", "FrmOptionCheck1", "FrmOptionCheck2", "FrmOptionCheck5"}) {
        values << file.value(QStringLiteral("load/") + key, "-").toString();
    }
    return values.join('|');
}

std::unique_ptr<Form1> makeShownMainWindow()
{
    auto window = std::make_unique<Form1>();
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
}

QByteArray bookBytes(int count)
{
    QByteArray out;
    for (int i = 0; i < count * Module1::FieldCount; ++i) {
        const int r = i / Module1::FieldCount, f = i % Module1::FieldCount;
        out += (f ? QString("\"r%1f%2\"\r\n").arg(r).arg(f) : QString("\"provider%1\"\r\n").arg(r)).toLatin1();
    }
    return out;
}

} // namespace testsupport
