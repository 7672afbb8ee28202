#pragma once

#include <QString>

// The name of the box that shows a field, as a user reads it off the window: the group heading and the label, e.g.
// "メール パスワード"; the provider box has only its label, "接続先".
QString fieldName(int field);
