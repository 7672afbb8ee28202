#pragma once

#include <QProxyStyle>

namespace ui {

// Masks password boxes with "*" instead of the platform's bullet.
class PasswordStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace ui
