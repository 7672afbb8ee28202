#pragma once

#include "ui/Prompts.h"

#include <gtest/gtest.h>

// Readable failures for texts and prompts, and a one-line check of the message boxes shown since the last check.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace ui {

inline void PrintTo(const MessageRequest& m, std::ostream* os)
{
    *os << "{\"" << m.text.toStdString() << "\", \"" << m.title.toStdString() << "\", buttons "
        << static_cast<int>(m.buttons) << ", default " << static_cast<int>(m.defaultAnswer) << '}';
}

} // namespace ui

// The message boxes shown since the last check, in order, each as {text, title, buttons, default answer}; a plain
// message is {text, "Keyfold"}.
#define EXPECT_PROMPTS(...) EXPECT_EQ(ui::Prompts::takeMessages(), (QList<ui::MessageRequest>{__VA_ARGS__}))
