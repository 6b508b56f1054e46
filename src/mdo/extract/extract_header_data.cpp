// The commented database header (CREATE DATABASE with its secondary files,
// shadows and log files) and table rows as INSERT statements.
#include <vector>

#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"
#include "mdo/mdo_errors.h"

namespace {

// The columns with data of their own, named as stored (a result names its
// columns in upper case, which a quoted lower-case column is not). Computed
// columns hold no data and the server refuses a value for them; blobs and
// arrays have no literal.
constexpr const char* kDataColumnsQuery =
    "SELECT RFR.RDB$FIELD_NAME FROM RDB$RELATION_FIELDS RFR JOIN RDB$FIELDS FLD ON "
    "RFR.RDB$FIELD_SOURCE = FLD.RDB$FIELD_NAME WHERE RFR.RDB$RELATION_NAME = :RelationName AND "
    "FLD.RDB$COMPUTED_BLR IS NULL AND FLD.RDB$FIELD_TYPE <> 261 AND FLD.RDB$DIMENSIONS IS NULL "
    "ORDER BY RFR.RDB$FIELD_POSITION";
constexpr const char* kCharsetQuery =
    "SELECT * FROM RDB$DATABASE DBP WHERE NOT DBP.RDB$CHARACTER_SET_NAME IS NULL   AND "
    "DBP.RDB$CHARACTER_SET_NAME != ' '";
constexpr const char* kFilesQuery =
    "select * from RDB$FILES order BY RDB$SHADOW_NUMBER, RDB$FILE_SEQUENCE";
constexpr const char* kLogFilesQuery =
    "SELECT * FROM RDB$LOG_FILES ORDER BY RDB$FILE_FLAGS, RDB$FILE_SEQUENCE";

// The information items of the log settings.
constexpr char kNumLogBuffers = 38;
constexpr char kLogBufferSize = 39;
constexpr char kGroupCommitWaitTime = 47;
constexpr char kCheckPointLength = 40;

int OrZero(const TcCatalogueQuery& row, const char* column) {
    return row.IsNull(column) ? 0 : row.AsInteger(column);
}

// The SQL types written into INSERT statements.
bool IsQuotedType(int type) {
    return type == 448 || type == 452 || type == 510 || type == 560 || type == 570;
}
bool IsNumberType(int type) {
    return type == 480 || type == 482 || type == 496 || type == 500 || type == 530 || type == 580;
}

}  // namespace

void TMDOExtract::WriteDatabaseHeader() {
    const std::string file = Database() != nullptr ? Database()->DatabaseName() : "";
    Lines.push_back("/* CREATE DATABASE " + QuotedLiteral(file) + " PAGE_SIZE " +
                    std::to_string(DatabaseInfo.PageSize()) + kCrLf);
    {
        TcCatalogueQuery charset(*this, kCharsetQuery);
        charset.Open();
        // Without a default character set the comment is closed all the same.
        std::string item = charset.Eof()
                               ? std::string()
                               : Format(" DEFAULT CHARACTER SET %s",
                                        charset.AsString("RDB$CHARACTER_SET_NAME").c_str());
        Lines.push_back(item + " */");
    }
    bool wroteFiles = false;
    {
        TcCatalogueQuery files(*this, kFilesQuery);
        for (files.Open(); !files.Eof(); files.Next()) {
            if (!wroteFiles)
                Lines.push_back(std::string(kCrLf) + "/* Add secondary files in comments ");
            wroteFiles = true;
            const int flags = OrZero(files, "RDB$FILE_FLAGS");
            const int length = OrZero(files, "RDB$FILE_LENGTH");
            const int sequence = OrZero(files, "RDB$FILE_SEQUENCE");
            const int start = OrZero(files, "RDB$FILE_START");
            const std::string name = files.AsString("RDB$FILE_NAME");
            if (flags == 0) {
                std::string text = Format("%sALTER DATABASE ADD FILE '%s'", kCrLf, name.c_str());
                if (start != 0) text += Format(" STARTING %d", start);
                if (length != 0) text += Format(" LENGTH %d", length);
                Lines.push_back(text);
            }
            if ((flags & 8) != 0)
                Lines.push_back(Format("%sALTER DATABASE ADD CACHE '%s' LENGTH %d", kCrLf,
                                       name.c_str(), length));
            if ((flags & 1) != 0) {
                std::string text;
                if (sequence != 0) {
                    text = Format("%sFILE '%s'", "\t", name.c_str());
                } else {
                    text = Format("%sCREATE SHADOW %d '%s' ", kCrLf,
                                  files.AsInteger("RDB$SHADOW_NUMBER"), name.c_str());
                    if ((flags & 2) != 0) text += "INACTIVE ";
                    text += (flags & 4) != 0 ? "MANUAL " : "AUTO ";
                    if ((flags & 16) != 0) text += "CONDITIONAL ";
                }
                if (length != 0) text += Format("LENGTH %d ", length);
                if (start != 0) text += Format("STARTING %d ", start);
                Lines.push_back(text);
            }
        }
    }
    bool anyLog = false;
    {
        TcCatalogueQuery logs(*this, kLogFilesQuery);
        bool plainWritten = false;
        for (logs.Open(); !logs.Eof(); logs.Next()) {
            const int flags = OrZero(logs, "RDB$FILE_FLAGS");
            const int length = OrZero(logs, "RDB$FILE_LENGTH");
            const std::string name = logs.AsString("RDB$FILE_NAME");
            std::string item;
            if (!wroteFiles && !anyLog) item = std::string("/* ") + kCrLf + "ALTER DATABASE ADD ";
            if (!plainWritten) item += "LOGFILE ";
            if ((flags & 2) == 0) {
                if ((flags & 8) != 0) {
                    item += Format(")%s   OVERFLOW '%s'", kCrLf, name.c_str());
                } else if ((flags & 1) != 0) {
                    item += Format("%s  BASE_NAME '%s'", kCrLf, name.c_str());
                } else {
                    item += plainWritten ? Format(",%s  ", kCrLf) : std::string("(");
                    item += Format("'%s'", name.c_str());
                    plainWritten = true;
                }
            }
            if (length != 0) item += Format(" SIZE %d ", length);
            Lines.push_back(item);
            anyLog = true;
        }
    }
    if (anyLog) {
        std::string item;
        const std::pair<const char*, char> settings[] = {
            {"NUM_LOG_BUFFERS = %d", kNumLogBuffers},
            {"LOG_BUFFER_SIZE = %d", kLogBufferSize},
            {"GROUP_COMMIT_WAIT_TIME = %d", kGroupCommitWaitTime},
            {"CHECK_POINT_LENGTH = %d", kCheckPointLength}};
        for (const auto& [format, infoItem] : settings) {
            item += item.empty() ? std::string("  SET ") : Format(", %s      ", kCrLf);
            item += Format(format, static_cast<int>(DatabaseInfoItem(infoItem)));
        }
        Lines.push_back(item);
    }
    if (wroteFiles || anyLog) Lines.push_back(Format("%s */%s", kCrLf, kCrLf));
}

void TMDOExtract::WriteTableData(const std::string& tableName) {
    std::string columns;
    {
        TcCatalogueQuery names(*this, kDataColumnsQuery);
        names.SetParam("RelationName", tableName);
        for (names.Open(); !names.Eof(); names.Next()) {
            if (!columns.empty()) columns += ", ";
            columns += Ident(names.AsString("RDB$FIELD_NAME"));
        }
    }
    if (columns.empty()) return;
    TcCatalogueQuery query(*this, "SELECT " + columns + " FROM " + Ident(tableName));
    query.Open();
    const int count = query.FieldCount();
    const std::string head = "INSERT INTO " + Ident(tableName) + " (" + columns + ") VALUES (";
    for (; !query.Eof(); query.Next()) {
        std::string values;
        for (int i = 0; i < count; ++i) {
            const int type = query.FieldType(i);
            if (i > 0) values += ", ";
            if (query.FieldIsNull(i))
                values += "NULL";
            else if (IsQuotedType(type))
                values += QuotedLiteral(query.FieldText(i));
            else if (IsNumberType(type))
                values += query.FieldText(i);
            else
                RaiseClientError(38);
        }
        Lines.push_back(head + values + ")" + ";");
    }
}
