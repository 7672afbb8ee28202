#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace ui {
namespace {

double g_dpiOverride = 0.0;

double screenDpi()
{
    if (g_dpiOverride > 0.0) {
        return g_dpiOverride;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

} // namespace

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips * screenDpi() / 1440.0));
}

QRect twipsRect(int left, int top, int width, int height)
{
    // Convert the edges, not the extents, so neighbouring controls never overlap or gap by rounding.
    const int x = twipsToPixels(left);
    const int y = twipsToPixels(top);
    return QRect(x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y);
}

QPoint twipsPoint(int x, int y)
{
    return QPoint(twipsToPixels(x), twipsToPixels(y));
}

QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

void setDpiOverride(double dpi)
{
    g_dpiOverride = dpi;
}

} // namespace ui
