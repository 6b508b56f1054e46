#include "console/colors.h"

#include <QGuiApplication>

QColor TColorToQColor(TColor color, const QPalette& palette) {
    if ((color & 0xFF000000u) == 0x80000000u) {
        switch (color) {
            case clWindow:
                return palette.color(QPalette::Base);
            case clHighlight:
                return palette.color(QPalette::Highlight);
            case clHighlightText:
                return palette.color(QPalette::HighlightedText);
            case clBtnFace:
                return palette.color(QPalette::Button);
            case clWindowText:
            default:
                return palette.color(QPalette::Text);
        }
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QColor TColorToQColor(TColor color) {
    return TColorToQColor(color, QGuiApplication::palette());
}

TColor QColorToTColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<TColor>(rgb.red()) | (static_cast<TColor>(rgb.green()) << 8) |
           (static_cast<TColor>(rgb.blue()) << 16);
}
