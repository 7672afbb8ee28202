#include "store/DataFile.h"

#include "store/Cp932.h"
#include "store/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace store {
namespace {

using Module1::FieldCount;
using Module1::MaxRecords;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Walks the raw bytes of a book file field by field. Working on bytes rather than decoded text is safe because the
// second byte of a Shift-JIS character is never a quote, comma, blank, CR or LF; each field is decoded on its own.
// Every byte is looked at a bounded number of times, so even a huge file without line ends reads in linear time.
class FieldReader
{
public:
    explicit FieldReader(const QByteArray& bytes) : m_pos(bytes.constData()), m_end(bytes.constData() + bytes.size()) {}

    bool atEnd() const { return m_pos == m_end; }

    QString readField()
    {
        while (m_pos != m_end && isBlank(*m_pos)) {
            ++m_pos;
        }
        if (m_pos != m_end && *m_pos == '"') {
            // A quoted field runs to the next quote, across line ends if need be, or to the end of the file. What
            // follows the closing quote, up to the next delimiter, is not part of any field.
            const char* begin = m_pos + 1;
            const auto* close = static_cast<const char*>(std::memchr(begin, '"', static_cast<size_t>(m_end - begin)));
            const char* stop = close ? close : m_end;
            m_pos = close ? close + 1 : m_end;
            m_pos = findDelimiter(m_pos);
            consumeDelimiter();
            return fromCp932(begin, stop - begin);
        }
        const char* begin = m_pos;
        const char* stop = findDelimiter(m_pos);
        m_pos = stop;
        consumeDelimiter();
        while (stop != begin && isBlank(stop[-1])) {
            --stop;
        }
        return fromCp932(begin, stop - begin);
    }

private:
    const char* findDelimiter(const char* from) const
    {
        while (from != m_end && !isDelimiter(*from)) {
            ++from;
        }
        return from;
    }

    // A comma, or a line end: CR LF, a lone CR or a lone LF.
    void consumeDelimiter()
    {
        if (m_pos == m_end) {
            return;
        }
        const char c = *m_pos++;
        if (c == '\r' && m_pos != m_end && *m_pos == '\n') {
            ++m_pos;
        }
    }

    const char* m_pos;
    const char* m_end;
};

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
int lookupError(const QString& path, int errnoValue)
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

int saveError(QFileDevice::FileError error)
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

} // namespace

ReadResult parseBook(const QByteArray& bytes, Module1::Table& table)
{
    ReadResult result;
    FieldReader reader(bytes);
    // End of file is tested before each record only: a file that stops inside a record is an error, not a short one.
    while (!reader.atEnd()) {
        if (result.recordCount == MaxRecords) {
            result.error = FileError::TooManyRecords;
            return result;
        }
        Module1::Record& record = table[static_cast<size_t>(result.recordCount)];
        for (int field = 0; field < FieldCount; ++field) {
            if (reader.atEnd()) {
                result.error = FileError::InputPastEndOfFile;
                return result;
            }
            record[static_cast<size_t>(field)] = reader.readField();
        }
        ++result.recordCount;
    }
    return result;
}

QByteArray formatBook(const Module1::Table& table, int recordCount)
{
    // Never write more than the reader accepts back.
    recordCount = std::clamp(recordCount, 0, MaxRecords);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(recordCount) * FieldCount * 24);
    for (int r = 0; r < recordCount; ++r) {
        for (const QString& cell : table[static_cast<size_t>(r)]) {
            out += '"';
            out += toCp932(cell);
            out += "\"\r\n";
        }
    }
    return out;
}

ReadResult readBookFile(const QString& path, Module1::Table& table)
{
    if (path.isEmpty()) {
        return {FileError::PathFileAccessError, 0};
    }
    const QByteArray native = nativePath(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0) {
        return {lookupError(path, errno), 0};
    }
    // Only regular files: opening a folder fails anyway, and opening a pipe or device could block or never end.
    if (!S_ISREG(info.st_mode)) {
        return {FileError::PathFileAccessError, 0};
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {accessDenied(native, R_OK) ? FileError::PermissionDenied : FileError::DeviceIoError, 0};
    }
    try {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return {FileError::DeviceIoError, 0};
        }
        return parseBook(bytes, table);
    } catch (const std::bad_alloc&) {
        return {FileError::OutOfMemory, 0};
    }
}

int writeBookFile(const QString& path, const Module1::Table& table, int recordCount)
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

    try {
        const QByteArray bytes = formatBook(table, recordCount);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            if ((exists && accessDenied(native, W_OK)) || accessDenied(folder, W_OK | X_OK)) {
                return FileError::PermissionDenied;
            }
            return saveError(file.error());
        }
        // QSaveFile gives an existing file's permissions to its replacement, but creates a new file with 0666 less
        // the umask. The book holds passwords, so a new one is for its owner's eyes only. Best effort: a file
        // system without Unix permissions must still be able to take the book.
        if (!exists) {
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        // On a full disk QSaveFile's first write comes back short with no error set (seen with Qt 6.4); only the
        // next write reports ResourceError. So write until everything is out or a write fails outright.
        for (qsizetype written = 0; written < bytes.size();) {
            const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
            if (n <= 0) {
                const int error = saveError(file.error());
                file.cancelWriting();
                return error;
            }
            written += n;
        }
        if (!file.commit()) {
            return saveError(file.error());
        }
    } catch (const std::bad_alloc&) {
        return FileError::OutOfMemory;
    }
    return FileError::None;
}

int deleteBookFile(const QString& path)
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
