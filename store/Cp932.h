#pragma once

#include <QByteArray>
#include <QString>

// Conversion between the program's strings and the Shift-JIS (code page 932) bytes of its book files.
//
// Both directions are total: a character that code page 932 cannot hold is written as one "?" (a surrogate pair
// counts as one character), and an invalid or truncated byte sequence reads as one "?" per bad byte. Whatever bytes
// a book was read from, writing it back and reading it again gives the same text. No byte order mark, ever.
namespace store {

QByteArray toCp932(const QString& text);
// The characters of text that code page 932 cannot hold at all, each once, in the order they first appear. Characters
// it holds only as a look-alike (the wave dash as the full-width tilde, the minus sign as the full-width hyphen-minus)
// are not among them: they come back from a file as that look-alike, not as "?".
QString cp932Unrepresentable(const QString& text);
QString fromCp932(const QByteArray& bytes);
// Same as above for a slice of a larger buffer, so the reader need not copy each field out first.
QString fromCp932(const char* data, qsizetype size);

} // namespace store
