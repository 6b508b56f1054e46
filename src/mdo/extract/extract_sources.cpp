// Triggers, views and check constraints: the objects whose definition is
// source text kept in the catalogue, re-split into one item per line.
#include <algorithm>

#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

// The trigger queries differ only in their selection. Database and DDL
// triggers belong to no relation: the join keeps them.
#define TESSEL_TRIGGER_QUERY(selection)                                                           \
    "SELECT * FROM RDB$TRIGGERS TRG LEFT JOIN RDB$RELATIONS REL ON   TRG.RDB$RELATION_NAME = "    \
    "REL.RDB$RELATION_NAME WHERE " selection                                                      \
    " (TRG.RDB$SYSTEM_FLAG = 0 OR TRG.RDB$SYSTEM_FLAG IS NULL) AND   NOT EXISTS (SELECT * FROM "  \
    "RDB$CHECK_CONSTRAINTS CHK WHERE      TRG.RDB$TRIGGER_NAME = CHK.RDB$TRIGGER_NAME) ORDER BY " \
    "TRG.RDB$RELATION_NAME, TRG.RDB$TRIGGER_TYPE,     TRG.RDB$TRIGGER_SEQUENCE, "                 \
    "TRG.RDB$TRIGGER_NAME"
constexpr const char* kAllTriggersQuery = TESSEL_TRIGGER_QUERY("");
constexpr const char* kTableTriggersQuery =
    TESSEL_TRIGGER_QUERY(" REL.RDB$RELATION_NAME = :TableName AND ");
constexpr const char* kTriggerQuery =
    TESSEL_TRIGGER_QUERY(" TRG.RDB$TRIGGER_NAME = :TriggerName AND ");
#undef TESSEL_TRIGGER_QUERY

#define TESSEL_VIEW_QUERY(selection)                                                      \
    "SELECT RDB$RELATION_NAME, RDB$OWNER_NAME, RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE " \
    "  (RDB$SYSTEM_FLAG <> 1 OR RDB$SYSTEM_FLAG IS NULL) AND   NOT RDB$VIEW_BLR IS NULL " \
    "AND   RDB$FLAGS = 1" selection " ORDER BY RDB$RELATION_ID"
constexpr const char* kAllViewsQuery = TESSEL_VIEW_QUERY("");
constexpr const char* kViewQuery = TESSEL_VIEW_QUERY(" AND   RDB$RELATION_NAME = :ViewName");
#undef TESSEL_VIEW_QUERY
constexpr const char* kViewColumnsQuery =
    "SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS WHERE   RDB$RELATION_NAME = :RELATION_NAME "
    "ORDER BY RDB$FIELD_POSITION";

#define TESSEL_CHECK_QUERY(selection)                                                          \
    "SELECT * FROM RDB$TRIGGERS TRG JOIN RDB$CHECK_CONSTRAINTS CHK ON   TRG.RDB$TRIGGER_NAME " \
    "= CHK.RDB$TRIGGER_NAME WHERE " selection                                                  \
    "  TRG.RDB$TRIGGER_TYPE = 1 AND   EXISTS (SELECT RDB$CONSTRAINT_NAME FROM "                \
    "RDB$RELATION_CONSTRAINTS RELC WHERE     CHK.RDB$CONSTRAINT_NAME = "                       \
    "RELC.RDB$CONSTRAINT_NAME) ORDER BY CHK.RDB$CONSTRAINT_NAME"
constexpr const char* kAllChecksQuery = TESSEL_CHECK_QUERY("");
constexpr const char* kTableChecksQuery =
    TESSEL_CHECK_QUERY("  TRG.RDB$RELATION_NAME = :TableName AND ");
constexpr const char* kCheckQuery =
    TESSEL_CHECK_QUERY("  TRG.RDB$TRIGGER_NAME = :TriggerName AND ");
#undef TESSEL_CHECK_QUERY

}  // namespace

void TMDOExtract::WriteTriggers(const std::string& name, TMDOExtractPart nameKind) {
    const bool forTable = nameKind == xpTable;
    TcCatalogueQuery query(
        *this, name.empty() ? kAllTriggersQuery : (forTable ? kTableTriggersQuery : kTriggerQuery));
    if (!name.empty()) query.SetParam(forTable ? "TableName" : "TriggerName", name);
    bool any = false;
    for (query.Open(); !query.Eof(); query.Next()) {
        // A trigger of an external engine, or one whose source is not
        // kept, cannot be written.
        if (!query.IsNull("RDB$ENGINE_NAME")) continue;
        if (query.IsNull("RDB$TRIGGER_SOURCE")) {
            NoteUnwritten("trigger " + Ident(query.AsString("RDB$TRIGGER_NAME")));
            continue;
        }
        if (!any) {
            Lines.push_back(Format("SET TERM %s %s%s", "^", ";", kCrLf));
            Lines.push_back(
                Format("%s/* Triggers only will work for SQL triggers */%s", kCrLf, kCrLf));
        }
        any = true;
        const bool inactive =
            query.IsNull("RDB$TRIGGER_INACTIVE") || query.AsInteger("RDB$TRIGGER_INACTIVE") == 1;
        const bool commented = query.AsInteger("RDB$FLAGS") != 1;
        TStringList trigger;
        if (commented) trigger.emplace_back("/* ");
        const int64_t type = query.AsInt64("RDB$TRIGGER_TYPE");
        const std::string target =
            IsTableTriggerType(type)
                ? Format("FOR %s ", Ident(query.AsString("RDB$RELATION_NAME")).c_str())
                : std::string();
        trigger.push_back(Format("CREATE TRIGGER %s %s%s%s %s POSITION %d",
                                 Ident(query.AsString("RDB$TRIGGER_NAME")).c_str(), target.c_str(),
                                 kCrLf, inactive ? "INACTIVE" : "ACTIVE",
                                 TriggerTypeText(type).c_str(),
                                 query.AsInteger("RDB$TRIGGER_SEQUENCE")));
        if (!query.IsNull("RDB$TRIGGER_SOURCE"))
            AppendResplit(trigger, query.AsString("RDB$TRIGGER_SOURCE"));
        trigger.push_back(std::string(" ^") + kCrLf);
        if (commented) trigger.emplace_back(" */");
        Lines.insert(Lines.end(), trigger.begin(), trigger.end());
    }
    if (any) {
        Lines.emplace_back("COMMIT WORK ^");
        Lines.emplace_back("SET TERM ;^");
    }
}

void TMDOExtract::WriteViews(const std::string& name) {
    TcCatalogueQuery query(*this, name.empty() ? kAllViewsQuery : kViewQuery);
    if (!name.empty()) query.SetParam("ViewName", name);
    for (query.Open(); !query.Eof(); query.Next()) {
        const std::string view = query.AsString("RDB$RELATION_NAME");
        TStringList text;
        text.push_back(Format("%s/* View: %s, Owner: %s */%s", kCrLf, view.c_str(),
                              query.AsString("RDB$OWNER_NAME").c_str(), kCrLf));
        text.push_back(Format("CREATE VIEW %s (", Ident(view).c_str()));
        TcCatalogueQuery columns(*this, kViewColumnsQuery);
        columns.SetParam("RELATION_NAME", view);
        columns.Open();
        while (!columns.Eof()) {
            std::string column = "  " + Ident(columns.AsString("RDB$FIELD_NAME"));
            columns.Next();
            if (!columns.Eof()) column += ", ";
            text.push_back(std::move(column));
        }
        AppendResplit(text, Format(") AS%s", kCrLf));
        if (!query.IsNull("RDB$VIEW_SOURCE"))
            AppendResplit(text, query.AsString("RDB$VIEW_SOURCE"));
        AppendResplit(text, Format("%s%s", ";", kCrLf));
        Lines.insert(Lines.end(), text.begin(), text.end());
    }
}

void TMDOExtract::WriteCheckConstraints(const std::string& name, TMDOExtractPart nameKind) {
    const bool forTable = nameKind == xpTable;
    TcCatalogueQuery query(
        *this, name.empty() ? kAllChecksQuery : (forTable ? kTableChecksQuery : kCheckQuery));
    if (!name.empty()) query.SetParam(forTable ? "TableName" : "TriggerName", name);
    // Read first, so that the constraints come in the order of their names
    // as ConstraintNameLess has it.
    struct TcCheck {
        std::string Relation, Constraint, Source;
        bool HasSource;
    };
    std::vector<TcCheck> checks;
    for (query.Open(); !query.Eof(); query.Next())
        checks.push_back(
            {query.AsString("RDB$RELATION_NAME"), query.AsString("RDB$CONSTRAINT_NAME"),
             query.AsString("RDB$TRIGGER_SOURCE"), !query.IsNull("RDB$TRIGGER_SOURCE")});
    std::stable_sort(checks.begin(), checks.end(), [](const TcCheck& a, const TcCheck& b) {
        return ConstraintNameLess(a.Constraint, b.Constraint);
    });
    for (const TcCheck& row : checks) {
        TStringList check;
        check.push_back(Format("ALTER TABLE %s ADD", Ident(row.Relation).c_str()));
        if (!StartsWithText(row.Constraint, "INTEG"))
            check.push_back(Format("%sCONSTRAINT %s ", "\t", Ident(row.Constraint).c_str()));
        if (row.HasSource) AppendResplit(check, row.Source);
        check.back() += std::string(";") + kCrLf;
        Lines.insert(Lines.end(), check.begin(), check.end());
    }
}
