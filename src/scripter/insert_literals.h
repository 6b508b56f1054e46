#pragma once
// Recognises the statements a data script is made of: an INSERT, with or
// without a column list, whose VALUES are nothing but literals. Such a
// statement splits into its shape (the text with each literal replaced by a
// parameter marker) and its values, each in the type the server's parser
// gives the literal, so that the shape can be prepared once and executed with
// the values of every statement of that shape.
//
// Anything not certainly of that form is refused, and then runs as written:
// expressions, typed literals (DATE '...'), character-set introducers,
// RETURNING, comments, literals the parser would read in another way (more
// than 18 digits, "5." or ".5", hexadecimal), strings too long for one text
// parameter. The statement reaches here with its comments removed by the
// statement scanner; a comment still in it ends the match at its first
// character, so no quote or comment scanning of its own is needed beyond the
// string literal itself.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TcInsertLiteral {
    enum class TKind { Exact, Float, Text, Null };
    TKind Kind = TKind::Null;
    // Exact: the digits as a 64-bit integer and the scale (0 or negative,
    // minus the digits after the point), as the parser types "12.50".
    int64_t Exact = 0;
    int16_t Scale = 0;
    double Float = 0;
    // Text: the string's bytes, doubled quotes made single.
    std::string Text;
};

// One parsed statement. Reused from statement to statement, so that its
// strings keep their capacity.
struct TcInsertShape {
    // The statement with every literal (a leading minus included) replaced
    // by "?": the text that is prepared, and the key of the prepared form.
    std::string Key;
    // The target table as the catalogue spells it: upper case unless quoted.
    std::string Relation;
    std::vector<TcInsertLiteral> Values;
    size_t Count = 0;  // Values in use; the rest keep their capacity
};

// The longest string a text parameter carries.
inline constexpr size_t kMaxInsertTextLength = 32767;

// Whether `statement` is such an INSERT; fills `shape` when it is. The
// dialect-3 reading: double quotes delimit identifiers.
bool ParseLiteralInsert(std::string_view statement, TcInsertShape& shape);

// The first word of a statement in upper case (letters, digits, "_" and "$"
// after a letter), or empty when it does not begin with a letter.
std::string FirstWord(std::string_view statement);
