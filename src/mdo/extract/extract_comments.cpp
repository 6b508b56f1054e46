// The user's collations, written before the domains that use them, and the
// descriptions of the database's objects, as COMMENT ON statements at the
// end of the script, when every object they describe exists.
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

// Kind, name, part (column or parameter) and description of every user
// object with a description, in the order the statements are written.
// Implicit domains (RDB$ and a digit) and packaged routines are left out:
// neither can be named in a COMMENT ON of its own.
constexpr const char* kDescriptionsQuery =
    "SELECT 1 ORDER_, 'DATABASE' KIND_, CAST('' AS CHAR(31)) NAME_, CAST('' AS CHAR(31)) PART_, "
    "RDB$DESCRIPTION TEXT_ FROM RDB$DATABASE WHERE RDB$DESCRIPTION IS NOT NULL "
    "UNION ALL SELECT 2, 'DOMAIN', RDB$FIELD_NAME, '', RDB$DESCRIPTION FROM RDB$FIELDS WHERE "
    "RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND NOT (RDB$FIELD_NAME "
    "SIMILAR TO 'RDB$[0-9]+') "
    "UNION ALL SELECT 3, IIF(RDB$VIEW_BLR IS NULL, 'TABLE', 'VIEW'), RDB$RELATION_NAME, '', "
    "RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$DESCRIPTION IS NOT NULL AND "
    "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 4, 'COLUMN', RFR.RDB$RELATION_NAME, RFR.RDB$FIELD_NAME, "
    "RFR.RDB$DESCRIPTION FROM RDB$RELATION_FIELDS RFR JOIN RDB$RELATIONS REL ON "
    "REL.RDB$RELATION_NAME = RFR.RDB$RELATION_NAME WHERE RFR.RDB$DESCRIPTION IS NOT NULL AND "
    "COALESCE(REL.RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 5, 'PROCEDURE', RDB$PROCEDURE_NAME, '', RDB$DESCRIPTION FROM "
    "RDB$PROCEDURES WHERE RDB$DESCRIPTION IS NOT NULL AND RDB$PACKAGE_NAME IS NULL AND "
    "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 6, 'PROCEDURE PARAMETER', RDB$PROCEDURE_NAME, RDB$PARAMETER_NAME, "
    "RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$DESCRIPTION IS NOT NULL AND "
    "RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 7, 'TRIGGER', RDB$TRIGGER_NAME, '', RDB$DESCRIPTION FROM RDB$TRIGGERS "
    "WHERE RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 8, 'FUNCTION', RDB$FUNCTION_NAME, '', RDB$DESCRIPTION FROM RDB$FUNCTIONS "
    "WHERE RDB$DESCRIPTION IS NOT NULL AND RDB$PACKAGE_NAME IS NULL AND "
    "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 9, 'FUNCTION PARAMETER', RDB$FUNCTION_NAME, RDB$ARGUMENT_NAME, "
    "RDB$DESCRIPTION FROM RDB$FUNCTION_ARGUMENTS WHERE RDB$DESCRIPTION IS NOT NULL AND "
    "RDB$ARGUMENT_NAME IS NOT NULL AND RDB$PACKAGE_NAME IS NULL AND "
    "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 10, 'EXCEPTION', RDB$EXCEPTION_NAME, '', RDB$DESCRIPTION FROM "
    "RDB$EXCEPTIONS WHERE RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 11, 'SEQUENCE', RDB$GENERATOR_NAME, '', RDB$DESCRIPTION FROM "
    "RDB$GENERATORS WHERE RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 12, 'INDEX', RDB$INDEX_NAME, '', RDB$DESCRIPTION FROM RDB$INDICES WHERE "
    "RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 13, 'ROLE', RDB$ROLE_NAME, '', RDB$DESCRIPTION FROM RDB$ROLES WHERE "
    "RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 14, 'PACKAGE', RDB$PACKAGE_NAME, '', RDB$DESCRIPTION FROM RDB$PACKAGES "
    "WHERE RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "UNION ALL SELECT 15, 'FILTER', RDB$FUNCTION_NAME, '', RDB$DESCRIPTION FROM RDB$FILTERS "
    "WHERE RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
    "ORDER BY 1, 3, 4";

constexpr const char* kUserCollationsQuery =
    "SELECT COL.RDB$COLLATION_NAME, CST.RDB$CHARACTER_SET_NAME, COL.RDB$BASE_COLLATION_NAME, "
    "COL.RDB$COLLATION_ATTRIBUTES, COL.RDB$SPECIFIC_ATTRIBUTES FROM RDB$COLLATIONS COL JOIN "
    "RDB$CHARACTER_SETS CST ON CST.RDB$CHARACTER_SET_ID = COL.RDB$CHARACTER_SET_ID WHERE "
    "COALESCE(COL.RDB$SYSTEM_FLAG, 0) = 0 ORDER BY COL.RDB$COLLATION_NAME";

}  // namespace

void TMDOExtract::WriteCollations() {
    if (ODSMajor() < 12) return;
    TcCatalogueQuery query(*this, kUserCollationsQuery);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (first) {
            Lines.emplace_back();
            Lines.emplace_back("/*  Collations */");
        }
        first = false;
        Lines.push_back(CollationDefinitionText(
            Dialect(), query.Trimmed("RDB$COLLATION_NAME"), query.Trimmed("RDB$CHARACTER_SET_NAME"),
            query.Trimmed("RDB$BASE_COLLATION_NAME"),
            query.IsNull("RDB$COLLATION_ATTRIBUTES") ? 0
                                                     : query.AsInteger("RDB$COLLATION_ATTRIBUTES"),
            query.IsNull("RDB$SPECIFIC_ATTRIBUTES") ? ""
                                                    : query.AsString("RDB$SPECIFIC_ATTRIBUTES")));
    }
}

void TMDOExtract::WriteComments() {
    if (ODSMajor() < 12) return;
    TcCatalogueQuery query(*this, kDescriptionsQuery);
    bool first = true;
    for (query.Open(); !query.Eof(); query.Next()) {
        if (first) {
            Lines.emplace_back();
            Lines.emplace_back("/* Comments for database objects. */");
        }
        first = false;
        Lines.push_back(CommentText(Dialect(), query.Trimmed("KIND_"), query.Trimmed("NAME_"),
                                    query.Trimmed("PART_"), query.AsString("TEXT_")));
    }
}
