#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>

// Finding and starting the platform's system information tool for the About box. The registry and the starting of
// programs sit behind two small interfaces, so the order of the lookups can be tested without a registry.
namespace about {

using RegRoot = std::uint32_t;
using RegHandle = std::uint32_t;
using RegStatus = long;

inline constexpr RegRoot HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0x2003Fu;
inline constexpr RegStatus ERROR_SUCCESS = 0;
inline constexpr RegStatus ERROR_FILE_NOT_FOUND = 2;
inline constexpr RegStatus ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

// A value that fills the whole read buffer without an end; the lookup gives up and the About box reports it.
class SysInfoError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The three registry calls the lookup is built on, in their narrow-character form. Every call returns a status,
// ERROR_SUCCESS (0) when it worked.
class Registry
{
public:
    virtual ~Registry() = default;
    // Opens path below root with the given access mask; on success the key's handle is stored in handle.
    virtual RegStatus openKey(RegRoot root, const QString& path, std::uint32_t access, RegHandle& handle) = 0;
    // Reads the value called name into data (which comes in at its full capacity) and stores the value's type.
    // The bytes past what the value fills are left as they came in.
    virtual RegStatus queryValue(RegHandle key, const QString& name, std::uint32_t& type, QByteArray& data) = 0;
    virtual RegStatus closeKey(RegHandle key) = 0;
};

// The platform's search for a file and start of another program, without waiting for it.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // True when a normal file exists at path.
    virtual bool fileExists(const QString& path) = 0;
    // Starts the program at path in a normal window; false (or an exception) means it could not be started.
    virtual bool start(const QString& path) = 0;
};

// This platform has no system registry: every key fails to open, so the About box reports the tool as unavailable.
class PlatformRegistry : public Registry
{
public:
    RegStatus openKey(RegRoot root, const QString& path, std::uint32_t access, RegHandle& handle) override;
    RegStatus queryValue(RegHandle key, const QString& name, std::uint32_t& type, QByteArray& data) override;
    RegStatus closeKey(RegHandle key) override;
};

class PlatformStarter : public ProgramStarter
{
public:
    bool fileExists(const QString& path) override;
    bool start(const QString& path) override;
};

// The registry and starter the About box uses unless it is given others.
Registry& platformRegistry();
ProgramStarter& platformStarter();

// Reads one value. True when it was read: value then holds the text of a text value, the number of a 32-bit number
// value (see the .cpp for its odd digits), or, for any other type, what it held before. False (and value empty) when
// the key or the value could not be read. Throws SysInfoError when the value fills the whole buffer.
bool GetKeyValue(Registry& registry, RegRoot root, const QString& keyPath, const QString& valueName, QString& value);

// Finds the system information tool through the registry and starts it; any failure shows one message.
void StartSysInfo(Registry& registry, ProgramStarter& starter);

} // namespace about
