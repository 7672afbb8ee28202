#include "store/Rescue.h"

#include "store/DataFile.h"
#include "store/Module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

// Makes the folder, and any missing folder above it, with owner-only rights; the error says why it could not.
FileError makePrivateFolders(const QString& path)
{
    if (path.isEmpty()) {
        return FileError::PathNotFound;
    }
    if (QFileInfo(path).isDir()) {
        return FileError::None;
    }
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path) {
        if (const FileError error = makePrivateFolders(parent); error != FileError::None) {
            return error;
        }
    }
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(path).isDir())) {
        return FileError::None;
    }
    return errno == ENOENT || errno == ENOTDIR || errno == EEXIST ? FileError::PathNotFound : writeError(errno);
}

// A new file in folder, created exclusively so that no other copy is ever written over: stem.csv, stem-2.csv, ...
// Returns the path, or the error that stopped it (the folder's, not a clash of names).
FileError createIn(const QString& folder, const QString& stem, const QByteArray& bytes, QString* path)
{
    for (int n = 1; n < 1000; ++n) {
        *path = folder + QLatin1Char('/') + stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) +
                QStringLiteral(".csv");
        const int fd = ::open(QFile::encodeName(*path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return errno == ENOENT || errno == ENOTDIR ? FileError::PathNotFound : writeError(errno);
        }
        const FileError error = writeThrough(fd, bytes);
        ::close(fd);
        if (error != FileError::None) {
            ::unlink(QFile::encodeName(*path).constData()); // half a copy would only mislead
        }
        return error;
    }
    return FileError::PathFileAccessError;
}

QString rescueFolder(FileError* error)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = data + QStringLiteral("/Keyfold/rescue");
    *error = data.isEmpty() ? FileError::PathNotFound : makePrivateFolders(folder);
    return folder;
}

} // namespace

RescueResult writeRescueCopy(const QString& bookName, const QByteArray& bytes, const QDateTime& when)
{
    const bool hasFile = !bookName.isEmpty() && bookName != Module1::NewBookName;
    QString name = hasFile ? QFileInfo(bookName).completeBaseName() : QString();
    if (name.isEmpty()) {
        name = Module1::NewBookName;
    }
    const QString stem = name + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString home = QDir::homePath();

    RescueResult result;
    FileError folderError = FileError::None;
    const QString preferred = rescueFolder(&folderError);
    QStringList folders;
    if (folderError != FileError::None) {
        result.failed.append({preferred, folderError});
    } else {
        folders << preferred;
    }
    folders << (hasFile ? QFileInfo(bookName).absolutePath() : home) << home;
    folders.removeDuplicates();
    for (const QString& folder : folders) {
        QString path;
        const FileError error = createIn(folder, stem, bytes, &path);
        if (error == FileError::None) {
            result.path = path;
            return result;
        }
        result.failed.append({error == FileError::PathNotFound ? folder : path, error});
    }
    return result;
}

} // namespace store
