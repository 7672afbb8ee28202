#include "about/SystemInfo.h"

#include "generated/Version.h"
#include "store/Cp932.h"
#include "ui/Prompts.h"

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

namespace about {
namespace {

constexpr int BufferSize = 1024;
constexpr int MaxHexDigits = 8;

const QString& toolKey()
{
    static const QString key = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    return key;
}

const QString& toolLocationKey()
{
    static const QString key = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    return key;
}

const QString& toolFileName()
{
    static const QString name = QStringLiteral("\\MSINFO32.EXE");
    return name;
}

bool isHexDigits(QStringView digits)
{
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f'))) {
            return false;
        }
    }
    return !digits.isEmpty();
}

// What the general formatting makes of a hexadecimal literal "&h…": the number's decimal text. The digits are read
// as an unsigned 32-bit number, since that is what a number value in the registry holds; anything that is not such
// a literal (no digits, a stray character, more than eight digits) comes back unchanged, as the formatting does with
// text that is no number.
QString formatHexLiteral(const QString& literal)
{
    const QStringView digits = QStringView(literal).mid(2);
    if (digits.size() > MaxHexDigits || !isHexDigits(digits)) {
        return literal;
    }
    bool ok = false;
    const uint number = digits.toUInt(&ok, 16);
    return ok ? QString::number(number) : literal;
}

// The tool is found from its own key, or else as MSINFO32.EXE in the folder the shared-tools key names. False for
// every way this can fail; an exception may also come out of the lookup or the start.
bool findAndStart(Registry& registry, ProgramStarter& starter)
{
    QString path;
    if (!GetKeyValue(registry, HKEY_LOCAL_MACHINE, toolKey(), QStringLiteral("PATH"), path)) {
        if (!GetKeyValue(registry, HKEY_LOCAL_MACHINE, toolLocationKey(), QStringLiteral("MSINFO"), path)) {
            return false;
        }
        if (!starter.fileExists(path + toolFileName())) {
            return false;
        }
        path += toolFileName();
    }
    // The tool's own key is trusted without looking for the file: a wrong path fails here, at the start.
    return starter.start(path);
}

} // namespace

RegStatus PlatformRegistry::openKey(RegRoot, const QString&, std::uint32_t, RegHandle& handle)
{
    handle = 0;
    return ERROR_FILE_NOT_FOUND;
}

RegStatus PlatformRegistry::queryValue(RegHandle, const QString&, std::uint32_t&, QByteArray&)
{
    return ERROR_INVALID_HANDLE;
}

RegStatus PlatformRegistry::closeKey(RegHandle)
{
    return ERROR_INVALID_HANDLE;
}

bool PlatformStarter::fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool PlatformStarter::start(const QString& path)
{
    // The path is the whole program name, blanks included; the tool runs on its own and is not waited for.
    return QProcess::startDetached(path, {});
}

Registry& platformRegistry()
{
    static PlatformRegistry registry;
    return registry;
}

ProgramStarter& platformStarter()
{
    static PlatformStarter starter;
    return starter;
}

bool GetKeyValue(Registry& registry, RegRoot root, const QString& keyPath, const QString& valueName, QString& value)
{
    RegHandle key = 0;
    // Closed on every way out: when the key never opened, when the read fails, and when the value overflows.
    const auto closeKey = qScopeGuard([&] { registry.closeKey(key); });
    if (registry.openKey(root, keyPath, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    QByteArray buffer(BufferSize, '\0');
    std::uint32_t type = 0;
    if (registry.queryValue(key, valueName, type, buffer) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    // The size the read reports is not trusted: the value ends at its first zero byte.
    const qsizetype end = buffer.indexOf('\0');
    if (end < 0) {
        throw SysInfoError("registry value fills the whole buffer");
    }
    const QByteArray cut = buffer.left(end);
    if (type == REG_SZ) {
        value = store::fromCp932(cut);
    } else if (type == REG_DWORD) {
        // The number's bytes lie lowest first, up to the first zero byte. Each byte becomes its hexadecimal digits
        // without a leading zero, highest byte first, after whatever value held: 0x1A05 is read as "1A5".
        for (qsizetype i = cut.size() - 1; i >= 0; --i) {
            value += QString::number(static_cast<unsigned char>(cut.at(i)), 16).toUpper();
        }
        value = formatHexLiteral(QStringLiteral("&h") + value);
    }
    // Any other type counts as read and leaves value as it came in.
    return true;
}

void StartSysInfo(Registry& registry, ProgramStarter& starter)
{
    bool started = false;
    try {
        started = findAndStart(registry, starter);
    } catch (...) {
        // Whatever went wrong, the user is told the same thing and the About box stays as it was.
        started = false;
    }
    if (!started) {
        ui::Prompts::message(QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"),
                             QString::fromLatin1(keyfold::ProgramTitle), ui::Buttons::Ok);
    }
}

} // namespace about
