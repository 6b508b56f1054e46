#include "mdo/extract/extract_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>

#include "foundation/errors.h"
#include "mdo/identifiers.h"

namespace {

struct TSQLType {
    int Code;
    const char* Name;
};

// Searched in this order; the first row with the code wins.
constexpr std::array<TSQLType, 15> SQLTypeNames{{{7, "SMALLINT"},
                                                 {8, "INTEGER"},
                                                 {9, "QUAD"},
                                                 {10, "FLOAT"},
                                                 {14, "CHAR"},
                                                 {27, "DOUBLE PRECISION"},
                                                 {37, "VARCHAR"},
                                                 {40, "CSTRING"},
                                                 {45, "BLOB_ID"},
                                                 {261, "BLOB"},
                                                 {13, "TIME"},
                                                 {12, "DATE"},
                                                 {35, "TIMESTAMP"},
                                                 // The server knows no type
                                                 // INT64: a 64-bit integer
                                                 // column is declared BIGINT.
                                                 {16, "BIGINT"},
                                                 {23, "BOOLEAN"}}};

constexpr std::array<const char*, 3> NumericSubTypeNames{{"UNKNOWN", "NUMERIC", "DECIMAL"}};

constexpr std::array<const char*, 9> BlobSubTypeNames{
    {"UNKNOWN", "TEXT", "BLR", "ACL", "RANGES", "SUMMARY", "FORMAT", "TRANSACTION_DESCRIPTION",
     "EXTERNAL_FILE_DESCRIPTION"}};

constexpr std::array<const char*, 7> TriggerTypeNames{{"", "BEFORE INSERT", "AFTER INSERT",
                                                       "BEFORE UPDATE", "AFTER UPDATE",
                                                       "BEFORE DELETE", "AFTER DELETE"}};

struct TPrivTypes {
    int Bit;
    const char* Name;
};

constexpr std::array<TPrivTypes, 6> PrivilegeTypes{{{16, "DELETE"},
                                                    {32, "EXECUTE"},
                                                    {4, "INSERT"},
                                                    {2, "SELECT"},
                                                    {8, "UPDATE"},
                                                    {64, "REFERENCES"}}};

}  // namespace

const char* SQLTypeName(int code) {
    for (const TSQLType& row : SQLTypeNames)
        if (row.Code == code) return row.Name;
    return nullptr;
}

std::string BlobSubTypeText(int subType) {
    if (subType >= 1 && subType <= 8)
        return std::string(" SUB_TYPE ") + BlobSubTypeNames[static_cast<size_t>(subType)];
    return " SUB_TYPE " + std::to_string(subType);
}

std::string TypeNameText(const TcTypeFacts& facts, bool precisionRule) {
    const bool exact = facts.Type == 7 || facts.Type == 8 || facts.Type == 16;
    if (precisionRule && exact && facts.HasPrecision && (facts.SubType == 1 || facts.SubType == 2))
        return Format("%s(%d, %d)", NumericSubTypeNames[static_cast<size_t>(facts.SubType)],
                      facts.Precision, -facts.Scale);
    if (facts.Scale < 0) {
        if (facts.Type == 7) return Format("NUMERIC(4, %d)", -facts.Scale);
        if (facts.Type == 8) return Format("NUMERIC(9, %d)", -facts.Scale);
        if (facts.Type == 27) return Format("NUMERIC(15, %d)", -facts.Scale);
    }
    const char* name = SQLTypeName(facts.Type);
    return name != nullptr ? name : "";
}

namespace {

// The server's trigger type layout: database triggers carry 0x2000 and
// number their event, DDL triggers carry 0x4000 with one bit per event
// (bit 0 telling AFTER), and table triggers pack up to three events into
// two bits each after the BEFORE/AFTER bit.
constexpr int64_t kDatabaseTrigger = 0x2000;
constexpr int64_t kDDLTrigger = 0x4000;

constexpr std::array<const char*, 5> DatabaseEventNames{
    {"CONNECT", "DISCONNECT", "TRANSACTION START", "TRANSACTION COMMIT", "TRANSACTION ROLLBACK"}};

// By bit number; empty entries are bits the server leaves unused.
constexpr std::array<const char*, 48> DDLEventNames{{"",
                                                     "CREATE TABLE",
                                                     "ALTER TABLE",
                                                     "DROP TABLE",
                                                     "CREATE PROCEDURE",
                                                     "ALTER PROCEDURE",
                                                     "DROP PROCEDURE",
                                                     "CREATE FUNCTION",
                                                     "ALTER FUNCTION",
                                                     "DROP FUNCTION",
                                                     "CREATE TRIGGER",
                                                     "ALTER TRIGGER",
                                                     "DROP TRIGGER",
                                                     "",
                                                     "",
                                                     "",
                                                     "CREATE EXCEPTION",
                                                     "ALTER EXCEPTION",
                                                     "DROP EXCEPTION",
                                                     "CREATE VIEW",
                                                     "ALTER VIEW",
                                                     "DROP VIEW",
                                                     "CREATE DOMAIN",
                                                     "ALTER DOMAIN",
                                                     "DROP DOMAIN",
                                                     "CREATE ROLE",
                                                     "ALTER ROLE",
                                                     "DROP ROLE",
                                                     "CREATE INDEX",
                                                     "ALTER INDEX",
                                                     "DROP INDEX",
                                                     "CREATE SEQUENCE",
                                                     "ALTER SEQUENCE",
                                                     "DROP SEQUENCE",
                                                     "CREATE USER",
                                                     "ALTER USER",
                                                     "DROP USER",
                                                     "CREATE COLLATION",
                                                     "DROP COLLATION",
                                                     "ALTER CHARACTER SET",
                                                     "CREATE PACKAGE",
                                                     "ALTER PACKAGE",
                                                     "DROP PACKAGE",
                                                     "CREATE PACKAGE BODY",
                                                     "DROP PACKAGE BODY",
                                                     "CREATE MAPPING",
                                                     "ALTER MAPPING",
                                                     "DROP MAPPING"}};

constexpr std::array<const char*, 4> TableEventNames{{"", "INSERT", "UPDATE", "DELETE"}};

std::string DDLTriggerText(int64_t type) {
    const std::string when = (type & 1) != 0 ? "AFTER " : "BEFORE ";
    bool all = true;
    std::string events;
    for (size_t bit = 1; bit < DDLEventNames.size(); ++bit) {
        if (*DDLEventNames[bit] == '\0') continue;
        if ((type & (int64_t{1} << bit)) == 0) {
            all = false;
            continue;
        }
        if (!events.empty()) events += " OR ";
        events += DDLEventNames[bit];
    }
    return when + (all ? std::string("ANY DDL STATEMENT") : events);
}

}  // namespace

std::string TriggerTypeText(int64_t type) {
    if (type >= 0 && type <= 6) return TriggerTypeNames[static_cast<size_t>(type)];
    if ((type & kDDLTrigger) != 0 && (type & kDatabaseTrigger) == 0)
        return DDLTriggerText(type & ~kDDLTrigger);
    if ((type & kDatabaseTrigger) != 0) {
        const int64_t event = type & ~kDatabaseTrigger;
        if (event >= 0 && event < static_cast<int64_t>(DatabaseEventNames.size()))
            return std::string("ON ") + DatabaseEventNames[static_cast<size_t>(event)];
        return std::to_string(type);
    }
    if (type < 0) return std::to_string(type);
    std::string text = ((type + 1) & 1) != 0 ? "AFTER " : "BEFORE ";
    for (int slot = 1; slot <= 3; ++slot) {
        const int64_t event = ((type + 1) >> (slot * 2 - 1)) & 3;
        if (event == 0) continue;
        if (slot > 1) text += " OR ";
        text += TableEventNames[static_cast<size_t>(event)];
    }
    return text;
}

bool IsTableTriggerType(int64_t type) {
    return (type & (kDatabaseTrigger | kDDLTrigger)) == 0;
}

std::string QuoteIdentifier(int dialect, std::string_view name) {
    if (dialect == 1) return UpperCase(TrimBlanks(name));
    return "\"" + ReplaceAll(name, "\"", "\"\"") + "\"";
}

bool IsPlainIdentifier(std::string_view name) {
    if (name.empty() || std::isupper(static_cast<unsigned char>(name.front())) == 0) return false;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isupper(u) == 0 && std::isdigit(u) == 0 && c != '_' && c != '$') return false;
    }
    return true;
}

int CharacterLength(bool hasCharacterLength, int characterLength, int byteLength,
                    int bytesPerCharacter) {
    if (hasCharacterLength) return characterLength;
    return byteLength / std::max(1, bytesPerCharacter);
}

int PrivilegeBit(std::string_view letter) {
    const char c = letter.empty() ? '\0' : letter.front();
    switch (c) {
        case 'S':
            return 2;
        case 'I':
            return 4;
        case 'U':
            return 8;
        case 'D':
            return 16;
        case 'R':
            return 64;
        case 'X':
            return 0;
        default:
            return 1;
    }
}

std::string PrivilegeNamesText(int bits) {
    std::string text;
    for (const TPrivTypes& row : PrivilegeTypes) {
        if ((bits & row.Bit) == 0) continue;
        if (!text.empty()) text += ", ";
        text += row.Name;
    }
    return text;
}

std::string GranteeText(int dialect, std::string_view user, int userType) {
    const bool quoted = userType == 0 || userType == 1 || userType == 2 || userType == 5 ||
                        userType == 13 || userType == 15 || userType == 18;
    // A user name the parser would change (blanks, lower case) is quoted too.
    std::string name =
        quoted || !IsPlainIdentifier(user) ? QuoteIdentifier(dialect, user) : std::string(user);
    if (userType == 1) return "VIEW " + name;
    if (userType == 2) return "TRIGGER " + name;
    if (userType == 5) return "PROCEDURE " + name;
    if (userType == 15) return "FUNCTION " + name;
    if (userType == 18) return "PACKAGE " + name;
    return name;
}

std::string ObjectPrivilegeText(int objectType) {
    switch (objectType) {
        case 7:
            return "USAGE ON EXCEPTION ";
        case 14:
            return "USAGE ON SEQUENCE ";
        case 15:
            return "EXECUTE ON FUNCTION ";
        case 18:
            return "EXECUTE ON PACKAGE ";
        default:
            return "";
    }
}

std::string QuotedLiteral(std::string_view text) {
    return "'" + ReplaceAll(text, "'", "''") + "'";
}

std::string ComputedByText(std::string_view source) {
    std::string trimmed = TrimBlanks(source);
    if (!trimmed.empty() && trimmed.front() == '(') return trimmed;
    return "/* " + trimmed + " */";
}

bool IsGeneratedName(std::string_view name) {
    return name.size() > 4 && name.substr(0, 4) == "RDB$" &&
           std::isdigit(static_cast<unsigned char>(name[4])) != 0;
}

namespace {

struct TcNameKey {
    std::string_view Stem;
    bool HasNumber;
    std::string_view Digits;  // without leading zeros
    std::string_view Name;
};

TcNameKey NameKey(std::string_view name) {
    size_t start = name.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1])) != 0) --start;
    std::string_view digits = name.substr(start);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    return {name.substr(0, start), start < name.size(), digits, name};
}

}  // namespace

bool ConstraintNameLess(std::string_view a, std::string_view b) {
    const TcNameKey x = NameKey(a), y = NameKey(b);
    if (x.Stem != y.Stem) return x.Stem < y.Stem;
    if (x.HasNumber != y.HasNumber) return !x.HasNumber;
    if (x.Digits.size() != y.Digits.size()) return x.Digits.size() < y.Digits.size();
    if (x.Digits != y.Digits) return x.Digits < y.Digits;
    return x.Name < y.Name;
}

std::string ArrayBoundsFromPairs(const std::vector<std::pair<int, int>>& bounds) {
    std::string text = "[";
    for (size_t i = 0; i < bounds.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(bounds[i].first) + ":" + std::to_string(bounds[i].second);
    }
    return text + "] ";
}

std::string CollationName(std::string_view collation) {
    // Only a dialect-3 database holds a name that needs quotes.
    return IsPlainIdentifier(collation) ? std::string(collation) : QuoteIdentifier(3, collation);
}

std::string CharsetClause(std::string_view charset, std::string_view collation,
                          std::string_view defaultCollation, bool collateOnly) {
    if (!collation.empty() && collation != defaultCollation) {
        if (collateOnly) return " COLLATE " + CollationName(collation);
        return " CHARACTER SET " + std::string(charset) + " COLLATE " + CollationName(collation);
    }
    if (collateOnly) return "";
    return " CHARACTER SET " + std::string(charset);
}

void AppendResplit(TStringList& items, std::string_view text) {
    std::string joined;
    for (const std::string& item : items) {
        joined += item;
        joined += kCrLf;
    }
    joined += text;
    items.clear();
    AddTextLines(items, joined);
}

std::string LinesText(const TStringList& items) {
    std::string text;
    size_t size = 0;
    for (const std::string& item : items) size += item.size() + 2;
    text.reserve(size);
    for (const std::string& item : items) {
        text += item;
        text += kCrLf;
    }
    return text;
}

std::string SequenceClauses(int64_t initialValue, int64_t increment) {
    std::string text;
    if (initialValue != 0) text += " START WITH " + std::to_string(initialValue);
    if (increment != 1) text += " INCREMENT BY " + std::to_string(increment);
    return text;
}

std::string ParenthesizedText(std::string_view source) {
    std::string trimmed = TrimBlanks(source);
    if (!trimmed.empty() && trimmed.front() == '(') return trimmed;
    return "(" + trimmed + ")";
}

std::string UnwrittenComment(std::string_view what) {
    // "*/" in a name would end the comment early.
    return "/* Not extracted: " + ReplaceAll(what, "*/", "* /") + " */";
}

std::string UsingIndexClause(int dialect, std::string_view constraint, std::string_view index,
                             bool descending) {
    const bool serverName = constraint.substr(0, 6) == "INTEG_"
                                ? index.substr(0, 4) == "RDB$"
                                : TrimBlanks(index) == TrimBlanks(constraint);
    if (!descending && serverName) return "";
    return std::string(descending ? " USING DESC INDEX " : " USING INDEX ") +
           QuoteIdentifier(dialect, index);
}

std::vector<std::string> DependencyOrder(
    const std::vector<std::string>& names,
    const std::vector<std::pair<std::string, std::string>>& reads) {
    std::map<std::string, std::vector<std::string>> readsOf;
    for (const auto& [reader, read] : reads) readsOf[reader].push_back(read);
    enum TcMark { kUnseen, kVisiting, kDone };
    std::map<std::string, TcMark> marks;
    for (const std::string& name : names) marks[name] = kUnseen;
    std::vector<std::string> order;
    order.reserve(names.size());
    std::function<void(const std::string&)> visit = [&](const std::string& name) {
        auto mark = marks.find(name);
        if (mark == marks.end() || mark->second != kUnseen) return;
        mark->second = kVisiting;
        if (auto found = readsOf.find(name); found != readsOf.end())
            for (const std::string& read : found->second) visit(read);
        marks[name] = kDone;
        order.push_back(name);
    };
    for (const std::string& name : names) visit(name);
    return order;
}

std::string CommentText(int dialect, std::string_view kind, std::string_view name,
                        std::string_view part, std::string_view description) {
    std::string text = "COMMENT ON " + std::string(kind) + " ";
    if (kind != "DATABASE") {
        text += QuoteIdentifier(dialect, name);
        if (!part.empty()) text += "." + QuoteIdentifier(dialect, part);
        text += " ";
    }
    return text + "IS " + QuotedLiteral(description) + ";";
}

std::string CollationDefinitionText(int dialect, std::string_view name, std::string_view charset,
                                    std::string_view base, int attributes,
                                    std::string_view specific) {
    std::string text = "CREATE COLLATION " + QuoteIdentifier(dialect, name) + " FOR " +
                       std::string(charset) + " FROM EXTERNAL (" + QuotedLiteral(base) + ")";
    if ((attributes & 1) != 0) text += " PAD SPACE";
    if ((attributes & 2) != 0) text += " CASE INSENSITIVE";
    if ((attributes & 4) != 0) text += " ACCENT INSENSITIVE";
    if (!specific.empty()) text += " " + QuotedLiteral(specific);
    return text + ";";
}
