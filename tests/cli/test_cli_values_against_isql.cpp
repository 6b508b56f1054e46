// Every value tessel-cli shows must read as the value Firebird's own isql
// shows for the same query on the same database. A corpus of tables holds
// each Firebird 3 type at its extremes and with NULLs, NUMERIC and DECIMAL at
// every scale, text in UTF8, WIN1252 and NONE, long texts, and single-row
// statements with many outputs. Both programs run one script of all queries
// (isql in its list mode, one value a line); the layouts differ, so each
// value is taken out of its layout and only the values are compared. Where
// the two write the same value differently, the case names the difference
// and isql's text is rewritten into Tessel's form (never the other way).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli_child.h"
#include "foundation/temp_dir.h"
#include "support/scoped_environment.h"

namespace {

// How a value of the column reads in the two programs.
enum class TKind {
    Exact,      // the same text
    Date,       // isql YYYY-MM-DD, Tessel dd-mm-yyyy (its DateFormat)
    Time,       // isql shows 1/10000 seconds, Tessel whole seconds (its TimeFormat)
    Timestamp,  // isql YYYY-MM-DD hh:mm:ss.ffff, Tessel dd-mm-yyyy hh:nn (DateTimeFormat)
    Boolean,    // isql <true> and <false>, Tessel TRUE and FALSE
    Float,      // isql 8 significant digits; Tessel the fewest that read back as the float
    Double,     // isql 16 significant digits; Tessel the fewest that read back as the double
    Blob,       // isql the blob's id and content, Tessel "(blob)"
};

struct TValueCase {
    const char* Name;
    std::string Query;
    TKind Kind = TKind::Exact;
};

std::string Scaled(const char* digits, int scale) {
    std::string text = digits;
    if (scale > 0) text.insert(text.size() - static_cast<size_t>(scale), ".");
    return text;
}

std::string Columns(const char* prefix, int count, const char* type) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += (i > 1 ? ", " : "") + std::string(prefix) + std::to_string(i) + " " + type;
    }
    return text;
}

// A text of `length` bytes beginning with `first`, made of pieces short
// enough for RPAD.
std::string Long(char first, int length) {
    std::string text;
    for (int done = 0; done < length; done += 8000) {
        const int piece = std::min(8000, length - done);
        text += (done > 0 ? " || " : "") + std::string("rpad('") +
                static_cast<char>(first + done / 8000) + "', " + std::to_string(piece) + ", '.-')";
    }
    return text;
}

// The tables every case reads, written for isql.
std::string CorpusScript(const std::string& database) {
    std::string s = "SET NAMES UTF8;\nCREATE DATABASE '" + database +
                    "' USER 'SYSDBA' DEFAULT CHARACTER SET NONE;\n";
    s += "create table ints (id integer, s smallint, i integer, b bigint);\n"
         "insert into ints values (1, -32768, -2147483648, -9223372036854775808);\n"
         "insert into ints values (2, 32767, 2147483647, 9223372036854775807);\n"
         "insert into ints values (3, 0, 0, 0);\n"
         "insert into ints values (4, null, null, null);\n";
    s += "create table floats (id integer, f float, d double precision);\n"
         // The server refuses the values closest to the limits of range.
         "insert into floats values (1, 3.4028234e38, 1.7976931348623157e308);\n"
         "insert into floats values (2, -3.4028234e38, -1.7976931348623157e308);\n"
         "insert into floats values (3, 1.2e-38, 1e-300);\n"
         "insert into floats values (4, -1.2e-38, -1e-300);\n"
         "insert into floats values (5, 3.14159, 3.141592653589793);\n"
         "insert into floats values (6, 16777216, 123456789012345678);\n"
         "insert into floats values (7, 0.1, 0.1e0 + 0.2e0);\n"
         "insert into floats values (8, 123456, -0.000012345);\n"
         "insert into floats values (9, 0, 0);\n"
         "insert into floats values (10, null, null);\n";
    // NUMERIC(18, s) for every scale: the largest and smallest scaled 64-bit
    // values, one unit either side of zero, zero and NULL.
    s += "create table nums (id integer";
    for (int scale = 0; scale <= 18; ++scale)
        s += ", n" + std::to_string(scale) + " numeric(18," + std::to_string(scale) + ")";
    s += ", d9 decimal(18,9));\n";
    const auto row = [&s](int id, auto value) {
        s += "insert into nums values (" + std::to_string(id);
        for (int scale = 0; scale <= 18; ++scale) s += ", " + value(scale);
        s += ", " + value(9) + ");\n";
    };
    row(1, [](int scale) { return Scaled("9223372036854775807", scale); });
    row(2, [](int scale) {
        return "cast('-" + Scaled("9223372036854775808", scale) + "' as numeric(18," +
               std::to_string(scale) + "))";
    });
    row(3, [](int scale) {
        return scale == 0 ? std::string("1") : "0." + std::string(scale - 1, '0') + "1";
    });
    row(4, [](int scale) {
        return scale == 0 ? std::string("-1") : "-0." + std::string(scale - 1, '0') + "1";
    });
    row(5, [](int) { return std::string("0"); });
    row(6, [](int) { return std::string("null"); });
    row(7, [](int scale) { return "-" + Scaled("12345678901234567", std::min(scale, 17)); });
    // Exact numerics stored as SMALLINT and INTEGER.
    s += "create table smallnums (id integer, a numeric(4,2), b numeric(9,3), c decimal(4,4), "
         "d numeric(18,4));\n"
         "insert into smallnums values (1, -327.68, -2147483.648, -0.0001, 99999999999999.9999);\n"
         "insert into smallnums values (2, 327.67, 2147483.647, 0.9999, -12345678901234.5678);\n"
         "insert into smallnums values (3, 0.05, 0.001, 0, 12.5);\n"
         "insert into smallnums values (4, null, null, null, null);\n";
    s +=
        "create table dates (id integer, d date, t time, ts timestamp);\n"
        "insert into dates values (1, '0001-01-01', '00:00:00.0000', '0001-01-01 00:00:00');\n"
        "insert into dates values (2, '9999-12-31', '23:59:59.9999', '9999-12-31 23:59:59.9999');\n"
        "insert into dates values (3, '2024-02-29', '12:34:56.7890', '1899-12-30 06:00:00');\n"
        "insert into dates values (4, null, null, null);\n";
    s += "create table bools (id integer, b boolean);\n"
         "insert into bools values (1, true);\ninsert into bools values (2, false);\n"
         "insert into bools values (3, null);\n";
    // Text: a two-byte letter, wide characters, a combining mark.
    s += "create table texts (id integer, u varchar(20) character set utf8, "
         "uc char(6) character set utf8, w varchar(20) character set win1252, "
         "wc char(8) character set win1252, n varchar(20) character set none);\n"
         "insert into texts values (1, 'Zürich', 'Zürich', 'Zürich', 'Zürich', 'Zürich');\n"
         "insert into texts values (2, '東京', '東京', 'Ça va', 'naïve', '東京');\n"
         "insert into texts values (3, 'e\xCC\x81t\xC3\xA9', 'e\xCC\x81t\xC3\xA9', '¿Qué?', "
         "'€ 5', 'e\xCC\x81t\xC3\xA9');\n"
         "insert into texts values (4, 'ＡＢＣ東京大阪', 'ab', 'x', 'y', 'ＡＢＣ');\n"
         "insert into texts values (5, null, null, null, null, null);\n";
    s += "create table blobs (id integer, bt blob sub_type text, bb blob);\n"
         "insert into blobs values (1, 'text', 'bytes');\n"
         "insert into blobs values (2, null, null);\n";
    s += "create table longtexts (id integer, v varchar(32765));\n"
         "insert into longtexts values (1, " +
         Long('x', 32765) +
         ");\n"
         "insert into longtexts values (2, null);\n"
         "create table halves (id integer, a varchar(16000), b varchar(16800));\n"
         "insert into halves values (1, " +
         Long('a', 16000) + ", " + Long('c', 16800) +
         ");\n"
         "insert into halves values (2, null, null);\n"
         "insert into halves values (3, 'short a', 'short c');\n";
    s += "create table wide (id integer, " + Columns("c", 40, "integer") + ");\n";
    s += "insert into wide values (0";
    for (int i = 1; i <= 40; ++i) s += ", " + std::to_string(i * 1000 + i);
    s += ");\n";
    s += "set term ^ ;\n";
    for (int outputs : {1, 10, 11, 40}) {
        s += "create procedure p" + std::to_string(outputs) + " returns (" +
             Columns("o", outputs, "integer") + ") as begin ";
        for (int i = 1; i <= outputs; ++i)
            s += "o" + std::to_string(i) + " = " + std::to_string(-i * 100003) + "; ";
        s += "end^\n";
    }
    s += "set term ; ^\ncommit;\n";
    return s;
}

std::string Returning(int columns) {
    std::string list;
    for (int i = 1; i <= columns; ++i) list += (i > 1 ? ", " : "") + ("c" + std::to_string(i));
    return list;
}

std::vector<TValueCase> Cases() {
    std::vector<TValueCase> cases = {
        {"Smallint", "select s from ints order by id"},
        {"Integer", "select i from ints order by id"},
        {"Bigint", "select b from ints order by id"},
        {"Float", "select f from floats order by id", TKind::Float},
        {"Double", "select d from floats order by id", TKind::Double},
        {"NumericAsSmallint", "select a from smallnums order by id"},
        {"NumericAsInteger", "select b from smallnums order by id"},
        {"DecimalAsInteger", "select c from smallnums order by id"},
        {"Numeric18_4", "select d from smallnums order by id"},
        {"Decimal18_9", "select d9 from nums order by id"},
        {"Date", "select d from dates order by id", TKind::Date},
        {"Time", "select t from dates order by id", TKind::Time},
        {"Timestamp", "select ts from dates order by id", TKind::Timestamp},
        {"Boolean", "select b from bools order by id", TKind::Boolean},
        {"Utf8Varchar", "select u from texts order by id"},
        {"Utf8Char", "select uc from texts order by id"},
        {"Win1252Varchar", "select w from texts order by id"},
        {"Win1252Char", "select wc from texts order by id"},
        {"NoneVarchar", "select n from texts order by id"},
        {"TextBlob", "select bt from blobs order by id", TKind::Blob},
        {"BinaryBlob", "select bb from blobs order by id", TKind::Blob},
        {"Varchar32765", "select v from longtexts order by id"},
        {"Select40Columns", "select * from wide where id = 0"},
        {"ExecuteProcedure1Output", "execute procedure p1"},
        {"ExecuteProcedure10Outputs", "execute procedure p10"},
        {"InsertReturning1", "insert into wide (id, c1) values (1, 77) returning c1"},
        {"InsertReturning10", "insert into wide (id, " + Returning(10) +
                                  ") values (2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10) returning " +
                                  Returning(10)},
    };
    for (int scale = 0; scale <= 18; ++scale)
        cases.push_back(
            {"Numeric18", "select n" + std::to_string(scale) + " from nums order by id"});
    return cases;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Trim(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    size_t first = 0;
    while (first < text.size() && text[first] == ' ') ++first;
    return text.substr(first);
}

using TRows = std::vector<std::vector<std::string>>;
constexpr const char* kMarker = "CASE_MARK";
constexpr const char* kNull = "<NULL>";

// The output of each case, by case number: after its marker row and before
// the next marker's header.
std::map<int, std::vector<std::string>> Sections(const std::string& output, bool isql) {
    std::map<int, std::vector<std::string>> sections;
    std::vector<std::string>* current = nullptr;
    for (const std::string& line : Lines(output)) {
        const size_t mark = line.find("#CASE ");
        if (mark != std::string::npos) {
            current = &sections[std::atoi(line.c_str() + mark + 6)];
            continue;
        }
        if (current == nullptr) continue;
        if (!isql && line.rfind(kMarker, 0) == 0) {
            current = nullptr;  // the next marker's header and underline follow
            continue;
        }
        current->push_back(line);
    }
    return sections;
}

// Tessel's rows: the lines after the underline that end in the blank every
// row line ends in; one column is the whole line, several are split at blanks.
TRows TesselRows(const std::vector<std::string>& lines) {
    TRows rows;
    size_t columns = 0;
    bool inRows = false;
    for (const std::string& line : lines) {
        if (!inRows) {
            if (!line.empty() && line[0] == '=') {
                std::istringstream words(line);
                for (std::string word; words >> word;) ++columns;
                inRows = true;
            }
            continue;
        }
        if (line.empty() || line.back() != ' ') break;
        if (columns == 1) {
            rows.push_back({Trim(line)});
        } else {
            std::vector<std::string> values;
            std::istringstream words(line);
            for (std::string word; words >> word;) values.push_back(word);
            rows.push_back(values);
        }
    }
    return rows;
}

// isql's list mode: a line "NAME<blanks>value" a column (the value from the
// 33rd character), rows separated by empty lines; other lines (a blob's
// content) are skipped.
TRows IsqlRows(const std::vector<std::string>& lines) {
    TRows rows;
    std::vector<std::string> row;
    for (const std::string& line : lines) {
        if (line.empty()) {
            if (!row.empty()) rows.push_back(row);
            row.clear();
            continue;
        }
        if (line.size() >= 32 && line[0] != ' ' && line[31] == ' ') {
            std::string value = line.substr(32);
            while (!value.empty() && value.back() == ' ') value.pop_back();
            row.push_back(value == "<null>" ? kNull : value);
        }
    }
    if (!row.empty()) rows.push_back(row);
    return rows;
}

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Both texts of one value in one form; "" when a text does not read as such a value.
void Normalise(TKind kind, std::string& tessel, std::string& isql) {
    if (tessel == kNull || isql == kNull) return;
    switch (kind) {
        case TKind::Exact:
            return;
        case TKind::Date:
            if (isql.size() == 10)
                isql = isql.substr(8, 2) + "-" + isql.substr(5, 2) + "-" + isql.substr(0, 4);
            return;
        case TKind::Time:
            isql = isql.substr(0, 8);
            return;
        case TKind::Timestamp:
            if (isql.size() >= 16)
                isql = isql.substr(8, 2) + "-" + isql.substr(5, 2) + "-" + isql.substr(0, 4) + " " +
                       isql.substr(11, 5);
            return;
        case TKind::Boolean:
            isql = isql == "<true>" ? "TRUE" : isql == "<false>" ? "FALSE" : isql;
            return;
        case TKind::Float:
            // The float Tessel shows, and isql's text, both at isql's 8 digits.
            tessel = Printed("%.7e", static_cast<double>(std::strtof(tessel.c_str(), nullptr)));
            isql = Printed("%.7e", std::strtod(isql.c_str(), nullptr));
            return;
        case TKind::Double: {
            // isql rounds the largest doubles up beyond the range: read in long double.
            char text[64];
            std::snprintf(text, sizeof text, "%.15Le", std::strtold(isql.c_str(), nullptr));
            isql = text;
            tessel = Printed("%.15e", std::strtod(tessel.c_str(), nullptr));
            return;
        }
        case TKind::Blob:
            if (tessel == "(blob)") isql = tessel;
            return;
    }
}

void WriteText(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string Isql(const TcTempDir& folder, const std::string& script, const std::string& out) {
    const std::string command =
        "cd '" + folder.Path() + "' && isql-fb -q -user SYSDBA -i " + script + " >" + out + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(folder.File(out));
    return ReadFile(folder.File(out));
}

// Runs the cases through both programs on one corpus database and compares
// every value of every row.
void CompareWithIsql(const std::vector<TValueCase>& cases) {
    TcTempDir folder;
    const TcScopedEnvironment locale("LC_ALL", std::string("C"));
    const std::string database = folder.File("values.fdb");
    WriteText(folder.File("corpus.sql"), CorpusScript(database));
    Isql(folder, "corpus.sql", "corpus.out");
    std::string tessel =
        "SET NAMES UTF8;\nCONNECT '" + database + "' USER 'SYSDBA' PASSWORD 'x';\n";
    std::string isql = tessel + "SET LIST ON;\n";
    const auto marker = [](int i) {
        return "select '#CASE " + std::to_string(i) + "' as " + kMarker + " from rdb$database;\n";
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        tessel += marker(static_cast<int>(i)) + cases[i].Query + ";\n";
        isql += marker(static_cast<int>(i)) + cases[i].Query + ";\n";
    }
    tessel += marker(-1);
    isql += marker(-1);
    WriteText(folder.File("tessel.sql"), tessel);
    WriteText(folder.File("isql.sql"), isql);
    const Outcome run = RunCli("-q tessel.sql", folder.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    const auto tesselSections = Sections(run.out, false);
    const auto isqlSections = Sections(Isql(folder, "isql.sql", "isql.out"), true);

    for (size_t index = 0; index < cases.size(); ++index) {
        const TValueCase& c = cases[index];
        SCOPED_TRACE(std::string(c.Name) + ": " + c.Query);
        const auto ours = tesselSections.find(static_cast<int>(index));
        const auto theirs = isqlSections.find(static_cast<int>(index));
        if (ours == tesselSections.end() || theirs == isqlSections.end()) {
            ADD_FAILURE() << "no output";
            continue;
        }
        const TRows tesselRows = TesselRows(ours->second);
        const TRows isqlRows = IsqlRows(theirs->second);
        EXPECT_FALSE(isqlRows.empty()) << "isql shows no row";
        if (tesselRows.size() != isqlRows.size()) {
            ADD_FAILURE() << "Tessel shows " << tesselRows.size() << " rows, isql "
                          << isqlRows.size();
            continue;
        }
        for (size_t r = 0; r < tesselRows.size(); ++r) {
            if (tesselRows[r].size() != isqlRows[r].size()) {
                ADD_FAILURE() << "row " << r + 1 << ": Tessel shows " << tesselRows[r].size()
                              << " values, isql " << isqlRows[r].size();
                continue;
            }
            for (size_t i = 0; i < tesselRows[r].size(); ++i) {
                std::string tesselValue = tesselRows[r][i];
                std::string isqlValue = isqlRows[r][i];
                Normalise(c.Kind, tesselValue, isqlValue);
                EXPECT_EQ(tesselValue, isqlValue)
                    << "row " << r + 1 << ", column " << i + 1 << ": Tessel " << tesselRows[r][i]
                    << ", isql " << isqlRows[r][i];
            }
        }
    }
}

TEST(ValuesAgainstIsql, EveryValueOfTheCorpusReadsTheSame) {
    CompareWithIsql(Cases());
}

// Tessel fetches through the client's descriptor interface, which cannot
// carry a value past 32,767 bytes; isql-fb reads through Firebird's newer
// interface. A column declared longer is fetched narrowed: every value that
// fits reads as in isql, and a longer one (which isql shows) fails with the
// server's truncation error and a line naming the column: the one difference.
TEST(ValuesAgainstIsql, ColumnsPast32767Bytes) {
    CompareWithIsql({
        {"ConcatenationPast32767BytesOfValuesThatFit",
         "select a || b from halves where id in (2, 3) order by id"},
    });

    TcTempDir folder;
    WriteText(folder.File("long.sql"),
              "CREATE DATABASE '" + folder.File("long.fdb") +
                  "' USER 'SYSDBA' PASSWORD 'x';\n"
                  "create table halves (a varchar(16000), b varchar(16800));\n"
                  "insert into halves values (" +
                  Long('a', 16000) + ", " + Long('c', 16800) +
                  ");\n"
                  "select a || b from halves;\n");
    const Outcome run = RunCli("-q long.sql", folder.Path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("expected length 32765, actual 32800"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Column CONCATENATION is 32800 bytes long; only values of at most "
                           "32765 bytes can be fetched."),
              std::string::npos)
        << run.err;
}

TEST(ValuesAgainstIsql, SingleRowStatementsWithMoreThan10Outputs) {
    CompareWithIsql({
        {"ExecuteProcedure11Outputs", "execute procedure p11"},
        {"ExecuteProcedure40Outputs", "execute procedure p40"},
        {"UpdateReturning11",
         "update wide set c11 = 11011 where id = 0 returning " + Returning(11)},
    });
}

}  // namespace
