#include "store/Cp932.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

// The conversion goes through glibc's iconv "CP932" codec. Qt's own QStringEncoder("windows-31j") was tried first,
// but it puts 0xFCFC (and U+001A when reading) where a character does not fit, and the files must carry "?" there.
namespace store {
namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* Utf16Name = "UTF-16LE";
#else
constexpr const char* Utf16Name = "UTF-16BE";
#endif

// The reader converts every field of a book, some 13,000 per file, so the descriptors are opened once per thread
// and reused. iconv_t is not safe to share between threads, hence thread_local rather than one global pair.
class Converters
{
public:
    Converters() : m_encoder(iconv_open("CP932", Utf16Name)), m_decoder(iconv_open(Utf16Name, "CP932")) {}
    ~Converters()
    {
        if (m_encoder != invalid()) {
            iconv_close(m_encoder);
        }
        if (m_decoder != invalid()) {
            iconv_close(m_decoder);
        }
    }
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;

    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t encoder() const { return m_encoder; }
    iconv_t decoder() const { return m_decoder; }

private:
    iconv_t m_encoder;
    iconv_t m_decoder;
};

Converters& converters()
{
    thread_local Converters instance;
    return instance;
}

bool isAscii(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(data[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

// Converts text; the position of every character written as "?" for want of a code is appended to missingAt when it
// is given, in ascending order.
QByteArray encode(const QString& text, QList<qsizetype>* missingAt)
{
    if (isAscii(text)) {
        return text.toLatin1();
    }

    const iconv_t cd = converters().encoder();
    const qsizetype units = text.size();
    // A character takes at most two bytes in code page 932, and a "?" stands for one or two UTF-16 units.
    QByteArray out(units * 2, Qt::Uninitialized);
    char* outStart = out.data();
    char* outPtr = outStart;
    size_t outLeft = static_cast<size_t>(out.size());

    if (cd == Converters::invalid()) {
        // Without the codec, keep what is certain and mark the rest.
        for (qsizetype i = 0; i < units; ++i) {
            const QChar c = text.at(i);
            if (c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()) {
                continue;
            }
            *outPtr++ = c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
            if (missingAt && c.unicode() >= 0x80) {
                missingAt->append(i);
            }
        }
        out.truncate(outPtr - outStart);
        return out;
    }

    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const char16_t* units16 = reinterpret_cast<const char16_t*>(text.utf16());
    char* inPtr = reinterpret_cast<char*>(const_cast<char16_t*>(units16));
    size_t inLeft = static_cast<size_t>(units) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG || outLeft == 0) {
            // Not reachable with the size chosen above; grow rather than loop forever should a codec differ.
            const qsizetype used = outPtr - outStart;
            out.resize(out.size() * 2 + 16);
            outStart = out.data();
            outPtr = outStart + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // EILSEQ (no such character in code page 932, or a lone surrogate) or EINVAL (a high surrogate at the end):
        // one "?" for the whole character.
        const qsizetype pos = reinterpret_cast<const char16_t*>(inPtr) - units16;
        const qsizetype skip =
            (QChar::isHighSurrogate(units16[pos]) && pos + 1 < units && QChar::isLowSurrogate(units16[pos + 1])) ? 2
                                                                                                                 : 1;
        *outPtr++ = '?';
        --outLeft;
        if (missingAt) {
            missingAt->append(pos);
        }
        inPtr += skip * 2;
        inLeft -= static_cast<size_t>(skip) * 2;
    }
    out.truncate(outPtr - outStart);
    return out;
}

} // namespace

QByteArray toCp932(const QString& text)
{
    return encode(text, nullptr);
}

QList<CharacterChange> cp932Changes(const QString& text)
{
    if (isAscii(text)) {
        return {};
    }
    QList<qsizetype> missingAt;
    encode(text, &missingAt);
    auto nextMissing = missingAt.cbegin();
    // glibc writes these two as the ASCII bytes that read back as "\" and "~": not a look-alike, another character.
    constexpr char16_t YenSign = 0x00A5;
    constexpr char16_t Overline = 0x203E;
    QList<CharacterChange> changes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        const bool missing = nextMissing != missingAt.cend() && *nextMissing == i;
        nextMissing += missing ? 1 : 0;
        i += length;
        QChar becomes;
        if (character == QChar(YenSign)) {
            becomes = QLatin1Char('\\');
        } else if (character == QChar(Overline)) {
            becomes = QLatin1Char('~');
        } else if (missing) {
            becomes = QLatin1Char('?');
        } else {
            continue;
        }
        if (std::none_of(changes.cbegin(), changes.cend(),
                         [&character](const CharacterChange& c) { return c.character == character; })) {
            changes.append({character, becomes});
        }
    }
    return changes;
}

QString changedCharacters(const QList<CharacterChange>& changes)
{
    QString characters;
    for (const CharacterChange& change : changes) {
        characters += change.character;
    }
    return characters;
}

QString fromCp932(const QByteArray& bytes)
{
    return fromCp932(bytes.constData(), bytes.size());
}

QString fromCp932(const char* data, qsizetype size)
{
    if (size <= 0) {
        return QString();
    }
    if (isAscii(data, size)) {
        return QString::fromLatin1(data, size);
    }

    // Every code page 932 sequence (one or two bytes) becomes one UTF-16 unit, and so does each "?".
    QString out(size, Qt::Uninitialized);
    char16_t* outStart = reinterpret_cast<char16_t*>(out.data());
    char16_t* outUnits = outStart;

    const iconv_t cd = converters().decoder();
    if (cd == Converters::invalid()) {
        for (qsizetype i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            *outUnits++ = b < 0x80 ? b : u'?';
        }
        out.truncate(outUnits - outStart);
        return out;
    }

    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(data);
    size_t inLeft = static_cast<size_t>(size);
    char* outPtr = reinterpret_cast<char*>(outStart);
    size_t outLeft = static_cast<size_t>(size) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG || outLeft < 2) {
            // Not reachable while every sequence gives one unit; grow rather than loop forever should a codec differ.
            const qsizetype used = reinterpret_cast<char16_t*>(outPtr) - outStart;
            out.resize(out.size() + static_cast<qsizetype>(inLeft) + 16);
            outStart = reinterpret_cast<char16_t*>(out.data());
            outPtr = reinterpret_cast<char*>(outStart + used);
            outLeft = static_cast<size_t>(out.size() - used) * 2;
            continue;
        }
        // EILSEQ or EINVAL: drop one byte only, so that a bad lead byte does not swallow the character after it.
        const char16_t question = u'?';
        std::memcpy(outPtr, &question, sizeof question);
        outPtr += sizeof question;
        outLeft -= sizeof question;
        ++inPtr;
        --inLeft;
    }
    out.truncate(reinterpret_cast<char16_t*>(outPtr) - outStart);
    return out;
}

} // namespace store
