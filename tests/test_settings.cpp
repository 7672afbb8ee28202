// The settings store: how stored check values are read, and where and how values are kept.
#include "login/Settings.h"
#include "support/TestApp.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(CheckValue, LeadingNumberRoundedAndOnlyOneCountsAsTicked)
{
    // The leading number after blanks, rounded to the nearest integer with halves to the even one; anything that
    // is not 1 then, and text without a number (full-width digits included), reads as unchecked.
    const std::pair<const char*, int> cases[] = {
        {"0", 0},   {"1", 1},   {" 1", 1}, {"1abc", 1}, {"+1", 1},    {"01", 1},  {"1e0", 1},   {"", 0},
        {"abc", 0}, {"a1", 0},  {"+", 0},  {"１", 0},   {"2", 0},     {"-1", 0},  {"1.5", 0},   {"0.5", 0},
        {"1.4", 1}, {"0.6", 1}, {".9", 1}, {"-0.4", 0}, {"10e-1", 1}, {"2.5", 0}, {"1e400", 0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(login::checkValue(u(text)), expected) << '"' << text << '"';
    }
    EXPECT_EQ(login::checkValue(QString()), 0);
}

TEST(SettingsStore, ValuesLiveInTheLoadSectionOfTheProgramsFile)
{
    testsupport::TempSettings settings;

    // Nothing stored: every key reads as empty text, and reading creates no file.
    EXPECT_EQ(login::readSetting(login::KeyFileName), QString());
    EXPECT_EQ(login::readSetting(login::KeyCheck1), QString());
    EXPECT_FALSE(QFile::exists(settings.settingsFile()));

    const QString path = u("/home/user/データ/帳簿, 2024; A=B #1 \\x.kf1");
    login::writeSetting(login::KeyFileName, path);
    login::writeSetting(login::KeyCheck1, QStringLiteral("1"));
    login::writeSetting(login::KeyOptionCheck1, QStringLiteral("0"));
    login::writeSetting(login::KeyOptionCheck2, QStringLiteral("1"));
    login::writeSetting(login::KeyOptionCheck5, QStringLiteral("0"));

    // On disk at once, under the exact key names of section "load".
    ASSERT_TRUE(QFile::exists(settings.settingsFile()));
    QSettings file(settings.settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(file.childGroups(), QStringList{QStringLiteral("load")});
    file.beginGroup(QStringLiteral("load"));
    QStringList keys = file.childKeys();
    keys.sort();
    EXPECT_EQ(keys,
              (QStringList{QStringLiteral("Check1"), QStringLiteral("FileName"), QStringLiteral("FrmOptionCheck1"),
                           QStringLiteral("FrmOptionCheck2"), QStringLiteral("FrmOptionCheck5")}));
    EXPECT_EQ(file.value(QStringLiteral("FileName")).toString(), path);
    EXPECT_EQ(file.value(QStringLiteral("Check1")).toString(), QStringLiteral("1"));
    EXPECT_EQ(file.value(QStringLiteral("FrmOptionCheck2")).toString(), QStringLiteral("1"));
    file.endGroup();

    // Read back as written, blanks and separators included; a key not written stays empty.
    EXPECT_EQ(login::readSetting(login::KeyFileName), path);
    EXPECT_EQ(login::readSetting(login::KeyOptionCheck1), QStringLiteral("0"));
    EXPECT_EQ(login::readSetting(QStringLiteral("NoSuchKey")), QString());

    // A write replaces the value; empty text stays empty text.
    login::writeSetting(login::KeyFileName, QString());
    login::writeSetting(login::KeyCheck1, QStringLiteral("0"));
    EXPECT_EQ(login::readSetting(login::KeyFileName), QString());
    EXPECT_EQ(login::readSetting(login::KeyCheck1), QStringLiteral("0"));
    EXPECT_TRUE(QSettings(settings.settingsFile(), QSettings::IniFormat).contains(QStringLiteral("load/FileName")));

    // A value written by hand with a leading blank is read as it stands.
    {
        QFile raw(settings.settingsFile());
        ASSERT_TRUE(raw.open(QIODevice::WriteOnly | QIODevice::Truncate));
        raw.write("[load]\nCheck1=\" 1\"\nFrmOptionCheck1=1abc\n");
    }
    EXPECT_EQ(login::readSetting(login::KeyCheck1), QStringLiteral(" 1"));
    EXPECT_EQ(login::checkValue(login::readSetting(login::KeyOptionCheck1)), 1);
}

} // namespace

int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
