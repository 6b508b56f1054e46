#pragma once
// String helpers shared by the engine and the front ends. Texts are byte
// strings; case folding is ASCII only, as keywords and option names are ASCII.

#include <string>
#include <string_view>
#include <vector>

using TStringList = std::vector<std::string>;

// Appends "." to a non-empty text that does not end in ".".
std::string EnsureFullStop(std::string_view text);
// "a, b or c" for separator ", " and last separator " or ".
std::string JoinStrings(const TStringList& items, std::string_view separator,
                        std::string_view lastSeparator);
// Parts between separators; a trailing part is kept when it is not empty or
// when a part was added before ("a," gives "a" and ""; "" gives nothing).
TStringList SplitString(std::string_view text, std::string_view separator);
// Tokens: maximal runs of non-separators, a separator inside a quote pair
// does not split; quotes stay in the token; no empty tokens.
TStringList SplitQuoted(std::string_view text, char separator, std::string_view openingQuotes,
                        std::string_view closingQuotes);
// Appends the lines of the text (split at CR, LF or CR LF).
void AddTextLines(TStringList& list, std::string_view text);
std::string PadRight(std::string_view text, size_t width, char fill = ' ');
std::string PadLeft(std::string_view text, size_t width, char fill = ' ');
std::string RemoveChars(std::string_view text, std::string_view characters);
// Removes CR LF pairs from the end while the text ends with one.
std::string StripTrailingLineBreaks(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Case-insensitive three-way comparison of upper-case forms.
int CompareText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view text, std::string_view prefix);
// Removes tab, line feed, carriage return and space from both ends.
std::string TrimWhitespace(std::string_view text);
// The same, in the text itself: a long text is not copied.
void TrimWhitespaceInPlace(std::string& text);
// Removes every character at or below the space from both ends (blanks and
// control characters), as a plain trim does.
std::string TrimBlanks(std::string_view text);
std::string TrimLeftBlanks(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// ReplaceAll with `from` matched without regard to (ASCII) case.
std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to);
// Parses a whole 32-bit number (optional sign, optional surrounding blanks);
// false when the text is not one.
bool TryStrToInt(std::string_view text, int& value);
// The same, raising the plain conversion error "'<text>' is not a valid
// integer value" when the text is not a whole number.
int StrToInt(std::string_view text);
