#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Failure paths tested for real, also as root: work done in a child process, so that what it does to mounts and
// privileges stays there.
namespace testsupport {

// Runs body in a child process and returns its exit status (-1 when it did not exit normally).
int inChild(const std::function<int()>& body);

// Gives the calling process mounts of its own, which vanish when it exits: as root directly, as another user inside
// a user namespace of its own (where it may mount a tmpfs too).
bool privateMounts();

// Drops root's privileges to "nobody", so that permission bits count; true when not root to begin with.
bool dropPrivileges();

// The file's bytes, or "<unreadable>".
QByteArray readAll(const QString& path);
// Writes the bytes, or fails the test.
void writeFile(const QString& path, const QByteArray& bytes);
// The file's permission bits, or 0xFFFF when it has none.
unsigned modeOf(const QString& path);

} // namespace testsupport
