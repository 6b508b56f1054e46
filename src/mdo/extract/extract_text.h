#pragma once
// The pure text rules of the metadata extractor: the type tables, the data
// type rules that need no catalogue lookup, the privilege and trigger names,
// quoting, and the re-split rule that turns multi-line texts into items.
// Plain functions without state, so each rule is tested on its own.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/string_utils.h"

inline constexpr const char* kCrLf = "\r\n";

// The SQLTypeNames entry for a field type code, or null when none has it.
const char* SQLTypeName(int code);
// " SUB_TYPE " and the BlobSubTypeNames entry (1 to 8) or the number.
std::string BlobSubTypeText(int subType);

// What the data type rules 1 to 3 read from a catalogue row.
struct TcTypeFacts {
    int Type = 0;
    int Scale = 0;
    int SubType = 0;
    bool HasPrecision = false;
    int Precision = 0;
};
// The type name by the precision rule (when `precisionRule` holds for the
// renderer: ODS and dialect conditions), else the scale rule, else the
// type's name; empty for a code missing from SQLTypeNames.
std::string TypeNameText(const TcTypeFacts& facts, bool precisionRule);

// A trigger type as its time and events: "BEFORE INSERT OR UPDATE",
// "ON CONNECT", "AFTER CREATE TABLE", "BEFORE ANY DDL STATEMENT"; the number
// for a type the server does not make.
std::string TriggerTypeText(int64_t type);
// True for a trigger on a table or view (written FOR the relation).
bool IsTableTriggerType(int64_t type);
// A name as a statement must spell it: dialect 1 upper-cases it, dialect 3
// puts it in double quotes with embedded double quotes doubled.
std::string QuoteIdentifier(int dialect, std::string_view name);
// True for a name the parser keeps as it is without quotes: an upper-case
// letter, then upper-case letters, digits, "_" and "$".
bool IsPlainIdentifier(std::string_view name);
// A text type's length in characters: the catalogue's character length
// where it has one, else the byte length over the bytes per character.
int CharacterLength(bool hasCharacterLength, int characterLength, int byteLength,
                    int bytesPerCharacter);

// Privilege letter to its PrivilegeTypes bit: S 2, I 4, U 8, D 16, R 64,
// X none, any other letter 1 (never written).
int PrivilegeBit(std::string_view letter);
// The names of the set bits in PrivilegeTypes order, joined with ", ".
std::string PrivilegeNamesText(int bits);
// A grantee by its RDB$USER_TYPE: quoted for 0, 1, 2, 5 and 13 and for a
// name that is no plain identifier, as stored otherwise; "VIEW ", "TRIGGER ", "PROCEDURE ",
// "FUNCTION " or "PACKAGE " before types 1, 2, 5, 15 and 18 (also quoted).
std::string GranteeText(int dialect, std::string_view user, int userType);

// What a grant on an object that is no table or procedure gives, by the
// object's RDB$OBJECT_TYPE: "EXECUTE ON FUNCTION " (15), "EXECUTE ON
// PACKAGE " (18), "USAGE ON SEQUENCE " (14), "USAGE ON EXCEPTION " (7);
// empty for any other type.
std::string ObjectPrivilegeText(int objectType);

// A COMMENT ON statement: `kind` as the statement names it ("TABLE",
// "COLUMN", "PROCEDURE PARAMETER", ...), the object's name, the column's or
// parameter's name when `part` is not empty, and the description as a
// literal. The database has no name.
std::string CommentText(int dialect, std::string_view kind, std::string_view name,
                        std::string_view part, std::string_view description);

// CREATE COLLATION for a collation of the user: its character set, the
// collation it is based on, the attribute bits (1 PAD SPACE, 2 CASE
// INSENSITIVE, 4 ACCENT INSENSITIVE) and the specific attributes.
std::string CollationDefinitionText(int dialect, std::string_view name, std::string_view charset,
                                    std::string_view base, int attributes,
                                    std::string_view specific);

// The text in single quotes, embedded single quotes doubled.
std::string QuotedLiteral(std::string_view text);
// A computed column's source: unchanged when it begins with "(" (after
// trimming), else inside a comment.
std::string ComputedByText(std::string_view source);
// An index expression: unchanged when it begins with "(" (after
// trimming), else put in parentheses, as COMPUTED BY needs them.
std::string ParenthesizedText(std::string_view source);
// "RDB$" followed by a digit: a name the server made up (implicit domains).
bool IsGeneratedName(std::string_view name);
// The order of constraint names that survives a round trip: a name with a
// trailing number comes by its stem, then by the number's value, so that
// INTEG_9 comes before INTEG_10 as the server made them. The catalogue's
// text order would put INTEG_10 first, and a database made from the script
// numbers its constraints afresh, so that order changes from one
// extraction to the next.
bool ConstraintNameLess(std::string_view a, std::string_view b);
// "[lo:hi, lo:hi] " for the dimensions in order.
std::string ArrayBoundsFromPairs(const std::vector<std::pair<int, int>>& bounds);
// A collation's name as a clause spells it: a system collation's name as it
// is, a user's in quotes where the parser would change it.
std::string CollationName(std::string_view collation);
// The clause CharsetText returns for names already read: `collation` empty
// when no collation was asked for.
std::string CharsetClause(std::string_view charset, std::string_view collation,
                          std::string_view defaultCollation, bool collateOnly);

// The USING clause of a key constraint: the index's name where the server
// would not give it by itself (a named constraint's index takes the
// constraint's name, an INTEG_ constraint's an RDB$ name), and DESC for a
// descending index; empty otherwise.
std::string UsingIndexClause(int dialect, std::string_view constraint, std::string_view index,
                             bool descending);

// `names` reordered so that every name comes after the names it reads
// (`reads` holds reader, read pairs), and otherwise in the given order. A
// read name missing from `names` is ignored; in a cycle the name met first
// comes first.
std::vector<std::string> DependencyOrder(
    const std::vector<std::string>& names,
    const std::vector<std::pair<std::string, std::string>>& reads);

// " START WITH n" and " INCREMENT BY m" where they differ from what a bare
// CREATE GENERATOR gives (0 and 1).
std::string SequenceClauses(int64_t initialValue, int64_t increment);

// The comment that names an object the script leaves out.
std::string UnwrittenComment(std::string_view what);

// The re-split rule: the items joined with CR LF after each, `text`
// appended, the result split again at every CR, LF or CR LF (a final line
// break gives no empty item).
void AppendResplit(TStringList& items, std::string_view text);
// Every item followed by CR LF.
std::string LinesText(const TStringList& items);
