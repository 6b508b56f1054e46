#pragma once
// Colour values as the settings, colour schemes and line objects carry them:
// a 32-bit value with blue, green and red bytes from high to low, or a
// system-colour code (high byte 0x80) that stands for a colour of the theme.

#include <QColor>
#include <QPalette>
#include <cstdint>

using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
// System colours: the theme decides what they look like.
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;

// System colours are looked up in the given palette (the application's when
// none is given); an unknown system colour gives the palette's text colour.
QColor TColorToQColor(TColor color, const QPalette& palette);
QColor TColorToQColor(TColor color);
// The plain colour value of a Qt colour (never a system-colour code).
TColor QColorToTColor(const QColor& color);
