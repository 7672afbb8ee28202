#include "store/Rescue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace store {
namespace {

// Makes the folder with owner-only rights when it does not exist yet.
bool makePrivateFolder(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        return true;
    }
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || QFileInfo(path).isDir();
}

} // namespace

QString newRescuePath(const QString& bookName, const QDateTime& when)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) {
        return QString();
    }
    const QString program = data + QStringLiteral("/Keyfold");
    const QString folder = program + QStringLiteral("/rescue");
    if (!makePrivateFolder(program) || !makePrivateFolder(folder)) {
        return QString();
    }
    QString name = QFileInfo(bookName).completeBaseName();
    if (name.isEmpty()) {
        name = QStringLiteral("新規");
    }
    const QString stem =
        folder + QLatin1Char('/') + name + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".kf1");
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = stem + QStringLiteral("-%1.kf1").arg(n);
    }
    return path;
}

} // namespace store
