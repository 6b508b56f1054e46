#include "mdo/extract/extract_text.h"

#include <array>
#include <cctype>

#include "foundation/errors.h"
#include "mdo/identifiers.h"

namespace {

struct TSQLType {
    int Code;
    const char* Name;
};

// Searched in this order; the first row with the code wins.
constexpr std::array<TSQLType, 14> SQLTypeNames{{{7, "SMALLINT"},
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
                                                 {16, "BIGINT"}}};

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

std::string TriggerTypeText(int type) {
    if (type >= 0 && type <= 6) return TriggerTypeNames[static_cast<size_t>(type)];
    // The catalogue holds no negative types; written by number like the
    // combined types above 6.
    return std::to_string(type);
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
    const bool quoted =
        userType == 0 || userType == 1 || userType == 2 || userType == 5 || userType == 13;
    std::string name = quoted ? FormatIdentifier(dialect, user) : std::string(user);
    if (userType == 1) return "VIEW " + name;
    if (userType == 2) return "TRIGGER " + name;
    if (userType == 5) return "PROCEDURE " + name;
    return name;
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

std::string CharsetClause(std::string_view charset, std::string_view collation,
                          std::string_view defaultCollation, bool collateOnly) {
    if (!collation.empty() && collation != defaultCollation) {
        if (collateOnly) return " COLLATE " + std::string(collation);
        return " CHARACTER SET " + std::string(charset) + " COLLATE " + std::string(collation);
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
