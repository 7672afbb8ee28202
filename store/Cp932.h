#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Conversion between the program's strings and the Shift-JIS (code page 932) bytes of its book files.
//
// Both directions are total: a character that code page 932 cannot hold is written as one "?" (a surrogate pair
// counts as one character), and an invalid or truncated byte sequence reads as one "?" per bad byte. Whatever bytes
// a book was read from, writing it back and reading it again gives the same text. No byte order mark, ever.
namespace store {

QByteArray toCp932(const QString& text);

// A character that comes back from a book file as another one that looks different.
struct CharacterChange
{
    QString character; // one character (a surrogate pair counts as one)
    QChar becomes;     // "?" when code page 932 has no code for it
};
// The characters of text that come back changed, each once, in the order they first appear: those code page 932 has
// no code for, the yen sign (written as the byte of "\") and the overline (the byte of "~"). The seven characters it
// holds only as a full-width look-alike (the wave dash as "～", the minus sign as "－", "¢£¬‖—") are not among them:
// they come back as their look-alike, which reads the same.
QList<CharacterChange> cp932Changes(const QString& text);
// The same, as the characters alone.
QString changedCharacters(const QList<CharacterChange>& changes);
QString fromCp932(const QByteArray& bytes);
// Same as above for a slice of a larger buffer, so the reader need not copy each field out first.
QString fromCp932(const char* data, qsizetype size);

} // namespace store
