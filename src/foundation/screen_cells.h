#pragma once
// How many screen cells of a fixed-pitch display a UTF-8 text takes, so that
// result columns line up whatever their characters: an East Asian wide or
// full-width character takes two cells, a combining mark or an invisible
// format character none, every other character one.
//
// Contract: the widths come from a table built into the program (the
// Unicode character database's general categories and East Asian widths),
// not from the process locale, so a layout is the same on every machine and
// in every locale. A byte that does not begin a well-formed UTF-8 sequence
// (text in a single-byte character set) counts as one cell, as do control
// characters, so pure ASCII and single-byte text take one cell a byte.

#include <cstddef>
#include <string_view>

// Cells of one code point: 0, 1 or 2.
int CodePointCells(char32_t codePoint);
// Cells of a UTF-8 text. Pure ASCII costs one pass over its bytes.
size_t Utf8Cells(std::string_view text);
// The byte length of the longest beginning of `text` that takes at most
// `cells` cells and ends on a character boundary (combining marks after its
// last character included); `used` receives the cells it takes.
size_t Utf8Prefix(std::string_view text, size_t cells, size_t& used);
