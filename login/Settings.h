#pragma once

#include <QString>
#include <QStringList>

// The per-user settings that outlive a run: the data file to reopen and the options. They live in the platform's
// settings store under the application "Keyfold", section "load".
namespace login {

inline const QString KeyFileName = QStringLiteral("FileName");
inline const QString KeyCheck1 = QStringLiteral("Check1");
inline const QString KeyOptionCheck1 = QStringLiteral("FrmOptionCheck1");
inline const QString KeyOptionCheck2 = QStringLiteral("FrmOptionCheck2");
inline const QString KeyOptionCheck5 = QStringLiteral("FrmOptionCheck5");

// An absent key reads as empty text; reading never fails.
QString readSetting(const QString& key);
// Replaces the value and puts it on disk before returning.
void writeSetting(const QString& key, const QString& value);

// Rescue copies made since the next start last named them. They live apart from the five keys above, each under a key
// of its own, so that two Keyfolds ending at once both get theirs on the list.
void recordRescueCopy(const QString& path);
// The list, oldest name first, forgotten as it is taken.
QStringList takeRescueCopies();

// A check box's stored value: the text's leading decimal number rounded to an integer (halves to even). Empty or
// non-numeric text, and any number but 0 or 1, give 0.
int checkValue(const QString& text);

// The text a check box's value is stored as: "0" or "1".
QString checkText(bool checked);

} // namespace login
