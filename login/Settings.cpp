#include "login/Settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace login {
namespace {

const QString Group = QStringLiteral("load/");
const QString RescueGroup = QStringLiteral("rescue");

QSettings store()
{
    return QSettings(QStringLiteral("Keyfold"), QStringLiteral("Keyfold"));
}

// The settings name the book of passwords, so the file and its folder are the user's alone, like the books. They
// are made so before QSettings writes (its save keeps an existing file's permissions), and made so again should an
// earlier version have left them readable by others.
void makePrivate(const QString& fileName)
{
    const QFileInfo file(fileName);
    const QByteArray folder = QFile::encodeName(file.absolutePath());
    QDir().mkpath(QFileInfo(file.absolutePath()).absolutePath());
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        return; // QSettings will fail the same way; settings are best effort
    }
    ::chmod(folder.constData(), 0700);
    const QByteArray native = QFile::encodeName(file.absoluteFilePath());
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

} // namespace

QString readSetting(const QString& key)
{
    return store().value(Group + key).toString();
}

void writeSetting(const QString& key, const QString& value)
{
    QSettings settings = store();
    makePrivate(settings.fileName());
    settings.setValue(Group + key, value);
    settings.sync();
}

void recordRescueCopy(const QString& path)
{
    QSettings settings = store();
    makePrivate(settings.fileName());
    const QByteArray key = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    settings.setValue(RescueGroup + QLatin1Char('/') + QString::fromLatin1(key), path);
    settings.sync();
}

QStringList takeRescueCopies()
{
    QSettings settings = store();
    settings.beginGroup(RescueGroup);
    QStringList paths;
    for (const QString& key : settings.childKeys()) {
        paths << settings.value(key).toString();
    }
    if (paths.isEmpty()) {
        return paths;
    }
    settings.remove(QString());
    settings.endGroup();
    settings.sync();
    // The names hold the date and time they were made.
    static const QRegularExpression madeAt(QStringLiteral("-(\\d{8}-\\d{6})(-\\d+)?\\.csv$"));
    const auto when = [](const QString& path) { return madeAt.match(path).captured(1) + path; };
    std::sort(paths.begin(), paths.end(), [&when](const QString& a, const QString& b) { return when(a) < when(b); });
    return paths;
}

int checkValue(const QString& text)
{
    // Only the leading number counts: blanks before it are skipped and whatever follows it is ignored.
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    const qsizetype start = i;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 0x80) {
            ++i;
        }
        return i - from;
    };
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        ++i;
    }
    qsizetype mantissa = digits();
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return 0;
    }
    const qsizetype beforeExponent = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
            ++i;
        }
        if (digits() == 0) {
            i = beforeExponent;
        }
    }
    bool ok = false;
    const double number = QLocale::c().toDouble(text.mid(start, i - start), &ok);
    if (!ok || !std::isfinite(number)) {
        return 0;
    }
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST); // halves go to the even neighbour
    const double rounded = std::nearbyint(number);
    std::fesetround(saved);
    return rounded == 1.0 ? 1 : 0;
}

QString checkText(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace login
