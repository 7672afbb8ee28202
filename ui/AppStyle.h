#pragma once

#include <QProxyStyle>

namespace ui {

// The program's look on top of Fusion: password boxes mask with "*" instead of the platform's bullet, and the
// buttons of message boxes and file dialogs carry their captions only, no pictures.
class AppStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace ui
