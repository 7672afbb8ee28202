#include "store/DataFile.h"

#include "store/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

bool isDirectory(const QByteArray& nativeName)
{
    struct stat info;
    return ::stat(nativeName.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The number for a name that lstat/stat could not find (errnoValue from that call): a missing file in an existing
// folder is "file not found", anything wrong higher up the path is "path not found".
FileError lookupError(const QString& path, int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return isDirectory(nativePath(QFileInfo(path).absolutePath())) ? FileError::FileNotFound
                                                                       : FileError::PathNotFound;
    case ENOTDIR:
        return FileError::PathNotFound;
    case EACCES:
        return FileError::PermissionDenied;
    case ENAMETOOLONG:
    case ELOOP:
        return FileError::PathFileAccessError;
    case ENOMEM:
        return FileError::OutOfMemory;
    default:
        return FileError::DeviceIoError;
    }
}

bool accessDenied(const QByteArray& nativeName, int mode)
{
    if (::access(nativeName.constData(), mode) == 0) {
        return false;
    }
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

FileError saveError(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::ResourceError:
        return FileError::DiskFull; // Qt reports ENOSPC this way
    case QFileDevice::PermissionsError:
        return FileError::PermissionDenied;
    default:
        return FileError::DeviceIoError;
    }
}

// After the rename, the folder's entry too: otherwise a power cut can bring the old file back, or none.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

ReadResult failedRead(FileError error)
{
    ReadResult result;
    result.error = error;
    return result;
}

FileStamp stampOf(const QString& path, const QByteArray& bytes)
{
    return {QFileInfo(path).absoluteFilePath(), bytes};
}

} // namespace

FileError writeError(int errnoValue)
{
    switch (errnoValue) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileError::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileError::PermissionDenied;
    case ENOMEM:
        return FileError::OutOfMemory;
    default:
        return FileError::DeviceIoError;
    }
}

FileError writeThrough(int fd, const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? writeError(errno) : FileError::DeviceIoError;
        }
        written += n;
    }
    return ::fsync(fd) == 0 ? FileError::None : writeError(errno);
}

ReadResult readBookFile(const QString& path, Module1::Table& table)
{
    if (path.isEmpty()) {
        return failedRead(FileError::PathFileAccessError);
    }
    const QByteArray native = nativePath(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0) {
        return failedRead(lookupError(path, errno));
    }
    // Only regular files: opening a folder fails anyway, and opening a pipe or device could block or never end.
    if (!S_ISREG(info.st_mode)) {
        return failedRead(FileError::PathFileAccessError);
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failedRead(accessDenied(native, R_OK) ? FileError::PermissionDenied : FileError::DeviceIoError);
    }
    try {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return failedRead(FileError::DeviceIoError);
        }
        ReadResult result;
        static_cast<ParsedBook&>(result) = parseBook(bytes, table);
        result.stamp = stampOf(path, bytes);
        return result;
    } catch (const std::bad_alloc&) {
        return failedRead(FileError::OutOfMemory);
    }
}

WriteResult writeBookFile(const QString& path, const Module1::Table& table, int recordCount)
{
    WriteResult result;
    try {
        const QByteArray bytes = formatBook(table, recordCount);
        // The book reader is the judge: what it would not give back is not written, and the old file stays.
        result.notReadBack = firstCellNotReadBack(table, recordCount, bytes);
        if (result.notReadBack) {
            result.error = FileError::NotReadBack;
            return result;
        }
        result.error = writeFileAtomically(path, bytes);
        if (result.error == FileError::None) {
            result.stamp = stampOf(path, bytes);
        }
    } catch (const std::bad_alloc&) {
        result.error = FileError::OutOfMemory;
    }
    return result;
}

FileError writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) {
        return FileError::PathFileAccessError;
    }
    const QByteArray native = nativePath(path);
    const QByteArray folder = nativePath(QFileInfo(path).absolutePath());

    // QSaveFile only says "could not open"; look at the path first to tell the user which part is wrong.
    struct stat info;
    if (::stat(folder.constData(), &info) != 0) {
        const int lookup = errno;
        return lookup == ENOENT || lookup == ENOTDIR ? FileError::PathNotFound : lookupError(path, lookup);
    }
    if (!S_ISDIR(info.st_mode)) {
        return FileError::PathNotFound;
    }
    bool exists = false;
    if (::stat(native.constData(), &info) == 0) {
        // The save renames a new file over the old one; doing that to a folder, pipe or device is never wanted.
        if (!S_ISREG(info.st_mode)) {
            return FileError::PathFileAccessError;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return lookupError(path, errno);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if ((exists && accessDenied(native, W_OK)) || accessDenied(folder, W_OK | X_OK)) {
            return FileError::PermissionDenied;
        }
        return saveError(file.error());
    }
    // QSaveFile gives an existing file's permissions to its replacement, but creates a new file with 0666 less the
    // umask. The book holds passwords, so a new one is for its owner's eyes only. Best effort: a file system without
    // Unix permissions must still be able to take the book.
    if (!exists) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    // The bytes go straight to the descriptor and are synced before the rename. Qt 6.4's commit() flushes its own
    // buffer without looking at the result, so a small book on a full disk would otherwise replace the old file with
    // an empty one and count as saved.
    if (const FileError error = writeThrough(file.handle(), bytes); error != FileError::None) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        return saveError(file.error());
    }
    syncFolder(folder);
    return FileError::None;
}

FileChange checkFile(const FileStamp& stamp)
{
    const QByteArray native = nativePath(stamp.path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0) {
        return errno == ENOENT ? FileChange::Gone : FileChange::Changed;
    }
    // A different size settles it; the same size and time do not (a rewrite within the same second keeps both).
    if (!S_ISREG(info.st_mode) || info.st_size != stamp.bytes.size()) {
        return FileChange::Changed;
    }
    QFile file(stamp.path);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileChange::Changed;
    }
    const QByteArray now = file.read(stamp.bytes.size() + 1);
    if (file.error() != QFileDevice::NoError) {
        return FileChange::Changed;
    }
    return now == stamp.bytes ? FileChange::Unchanged : FileChange::Changed;
}

bool samePath(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

FileError deleteBookFile(const QString& path)
{
    if (path.isEmpty()) {
        return FileError::PathFileAccessError;
    }
    const QByteArray native = nativePath(path);
    struct stat info;
    if (::lstat(native.constData(), &info) != 0) {
        return lookupError(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return FileError::PathFileAccessError;
    }
    if (::unlink(native.constData()) != 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
        case EROFS:
        case EBUSY:
            return FileError::PermissionDenied;
        case EISDIR:
            return FileError::PathFileAccessError;
        default:
            return lookupError(path, errno);
        }
    }
    return FileError::None;
}

} // namespace store
