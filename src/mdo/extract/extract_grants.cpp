// Roles and privileges: CREATE ROLE, the GRANT statements on tables, views
// and procedures, and role memberships.
#include "foundation/errors.h"
#include "mdo/extract/catalogue_query.h"
#include "mdo/extract/extract.h"
#include "mdo/extract/extract_text.h"

namespace {

// RDB$ADMIN is the server's own role in every database: creating it again
// fails.
constexpr const char* kAllRolesQuery =
    "select * from RDB$ROLES where COALESCE(RDB$SYSTEM_FLAG, 0) = 0 order by RDB$ROLE_NAME";
constexpr const char* kRoleQuery =
    "select * from RDB$ROLES WHERE RDB$ROLE_NAME = :RoleName AND COALESCE(RDB$SYSTEM_FLAG, 0) = "
    "0 order by RDB$ROLE_NAME";
constexpr const char* kSecuredRelationsQuery =
    "SELECT * FROM RDB$RELATIONS WHERE   (RDB$SYSTEM_FLAG <> 1 OR RDB$SYSTEM_FLAG IS NULL) AND   "
    "RDB$SECURITY_CLASS STARTING WITH 'SQL$' ORDER BY RDB$RELATION_NAME";
constexpr const char* kAllProceduresQuery =
    "select * from RDB$PROCEDURES Order BY RDB$PROCEDURE_NAME";
constexpr const char* kRoleGrantsQuery =
    "SELECT RDB$USER, RDB$GRANT_OPTION, RDB$RELATION_NAME FROM RDB$USER_PRIVILEGES WHERE   "
    "RDB$OBJECT_TYPE = %d AND   RDB$USER_TYPE = %d AND   RDB$PRIVILEGE = 'M' ORDER BY  "
    "RDB$RELATION_NAME, RDB$USER";
constexpr const char* kTablePrivilegesQuery =
    "SELECT PRV.RDB$USER, PRV.RDB$GRANT_OPTION, PRV.RDB$FIELD_NAME,        PRV.RDB$USER_TYPE, "
    "PRV.RDB$PRIVILEGE FROM RDB$USER_PRIVILEGES PRV, RDB$RELATIONS REL WHERE   "
    "PRV.RDB$RELATION_NAME = :METAOBJECT AND   REL.RDB$RELATION_NAME = :METAOBJECT AND   "
    "PRV.RDB$PRIVILEGE <> 'M' AND   REL.RDB$OWNER_NAME <> PRV.RDB$USER ORDER BY  PRV.RDB$USER, "
    "PRV.RDB$FIELD_NAME, PRV.RDB$GRANT_OPTION";
constexpr const char* kProcedurePrivilegesQuery =
    "SELECT PRV.RDB$USER, PRV.RDB$GRANT_OPTION, PRV.RDB$FIELD_NAME,        PRV.RDB$USER_TYPE, "
    "PRV.RDB$PRIVILEGE, PRV.RDB$RELATION_NAME FROM RDB$USER_PRIVILEGES PRV, RDB$PROCEDURES PRC "
    "where   PRV.RDB$OBJECT_TYPE = 5 AND   PRV.RDB$RELATION_NAME = :METAOBJECT AND   "
    "PRC.RDB$PROCEDURE_NAME = :METAOBJECT AND   PRV.RDB$PRIVILEGE = 'X' AND   "
    "PRC.RDB$OWNER_NAME <> PRV.RDB$USER ORDER BY PRV.RDB$USER, PRV.RDB$FIELD_NAME, "
    "PRV.RDB$GRANT_OPTION";
constexpr const char* kNamedRoleGrantsQuery =
    "SELECT * FROM RDB$USER_PRIVILEGES WHERE   RDB$OBJECT_TYPE = 13 AND   RDB$USER_TYPE = 8  AND "
    "  RDB$RELATION_NAME = :METAOBJECT AND   RDB$PRIVILEGE = 'M' ORDER BY RDB$USER";

// EXECUTE on functions and packages and USAGE on sequences and exceptions
// held by someone other than the object's owner. Packaged functions have
// no grants of their own.
constexpr const char* kRoutineAndUsagePrivilegesQuery =
    "SELECT PRV.RDB$USER, PRV.RDB$GRANT_OPTION, PRV.RDB$USER_TYPE, PRV.RDB$RELATION_NAME, "
    "PRV.RDB$OBJECT_TYPE FROM RDB$USER_PRIVILEGES PRV LEFT JOIN RDB$FUNCTIONS FUN ON "
    "PRV.RDB$OBJECT_TYPE = 15 AND FUN.RDB$FUNCTION_NAME = PRV.RDB$RELATION_NAME AND "
    "FUN.RDB$PACKAGE_NAME IS NULL LEFT JOIN RDB$PACKAGES PKG ON PRV.RDB$OBJECT_TYPE = 18 AND "
    "PKG.RDB$PACKAGE_NAME = PRV.RDB$RELATION_NAME LEFT JOIN RDB$GENERATORS GEN ON "
    "PRV.RDB$OBJECT_TYPE = 14 AND GEN.RDB$GENERATOR_NAME = PRV.RDB$RELATION_NAME LEFT JOIN "
    "RDB$EXCEPTIONS EXC ON PRV.RDB$OBJECT_TYPE = 7 AND EXC.RDB$EXCEPTION_NAME = "
    "PRV.RDB$RELATION_NAME WHERE PRV.RDB$OBJECT_TYPE IN (7, 14, 15, 18) AND PRV.RDB$PRIVILEGE "
    "IN ('X', 'G') AND PRV.RDB$USER IS DISTINCT FROM COALESCE(FUN.RDB$OWNER_NAME, "
    "PKG.RDB$OWNER_NAME, GEN.RDB$OWNER_NAME, EXC.RDB$OWNER_NAME) ORDER BY "
    "PRV.RDB$OBJECT_TYPE DESC, PRV.RDB$RELATION_NAME, PRV.RDB$USER, PRV.RDB$GRANT_OPTION";

// The RDB$USER_TYPE of a user: roles are granted to users.
constexpr int kUserGrantee = 8;

// Firebird 3 records a role granted WITH ADMIN OPTION with the grant option
// 2, older servers with 1: any grant option is the admin option, or the
// script would hand the role back without it.
const char* AdminOption(const TcCatalogueQuery& row) {
    return row.AsInteger("RDB$GRANT_OPTION") != 0 ? " WITH ADMIN OPTION" : "";
}

}  // namespace

void TMDOExtract::WriteRoles(const std::string& name) {
    if (ODSMajor() < 9) return;
    Lines.emplace_back();
    Lines.emplace_back("/* Grant Roles for this database */");
    Lines.emplace_back();
    TcCatalogueQuery query(*this, name.empty() ? kAllRolesQuery : kRoleQuery);
    if (!name.empty()) query.SetParam("RoleName", name);
    std::string previousOwner;
    for (query.Open(); !query.Eof(); query.Next()) {
        const std::string role = Ident(query.AsString("RDB$ROLE_NAME"));
        const std::string owner = query.Trimmed("RDB$OWNER_NAME");
        if (owner != previousOwner) {
            Lines.emplace_back();
            Lines.push_back(Format("/* Role: %s, Owner: %s */", role.c_str(), owner.c_str()));
            Lines.emplace_back();
            previousOwner = owner;
        }
        Lines.push_back("CREATE ROLE " + role + ";");
    }
}

void TMDOExtract::WriteGrants() {
    WriteRoles("");
    Lines.emplace_back();
    Lines.emplace_back("/* Grant permissions for this database */");
    Lines.emplace_back();
    {
        TcCatalogueQuery relations(*this, kSecuredRelationsQuery);
        for (relations.Open(); !relations.Eof(); relations.Next())
            WriteObjectGrants(relations.Trimmed("RDB$RELATION_NAME"), ";");
    }
    WriteRoleGrants(";");
    TcCatalogueQuery procedures(*this, kAllProceduresQuery);
    for (procedures.Open(); !procedures.Eof(); procedures.Next())
        WriteObjectGrants(procedures.Trimmed("RDB$PROCEDURE_NAME"), ";");
    if (ODSMajor() >= 12) WriteRoutineAndUsageGrants(";");
}

void TMDOExtract::WriteRoutineAndUsageGrants(const std::string& terminator) {
    TcCatalogueQuery query(*this, kRoutineAndUsagePrivilegesQuery);
    for (query.Open(); !query.Eof(); query.Next())
        Lines.push_back(
            "GRANT " + ObjectPrivilegeText(query.AsInteger("RDB$OBJECT_TYPE")) +
            Ident(query.AsString("RDB$RELATION_NAME")) + " TO " +
            GranteeText(Dialect(), query.Trimmed("RDB$USER"), query.AsInteger("RDB$USER_TYPE")) +
            (query.AsInteger("RDB$GRANT_OPTION") == 1 ? " WITH GRANT OPTION" : "") + terminator);
}

void TMDOExtract::WriteRoleGrants(const std::string& terminator) {
    TcCatalogueQuery query(*this, Format(kRoleGrantsQuery, 13, 8));
    for (query.Open(); !query.Eof(); query.Next())
        Lines.push_back(
            Format("GRANT %s TO %s%s%s%s", Ident(query.AsString("RDB$RELATION_NAME")).c_str(),
                   GranteeText(Dialect(), query.Trimmed("RDB$USER"), kUserGrantee).c_str(),
                   AdminOption(query), terminator.c_str(), kCrLf));
}

void TMDOExtract::WriteObjectGrants(const std::string& objectName, const std::string& terminator) {
    if (objectName.empty() || !MayHavePrivileges(objectName)) return;
    if (WriteTablePrivileges(objectName, terminator) > 0) return;
    if (WriteProcedurePrivileges(objectName, terminator) > 0) return;
    WriteNamedRoleGrants(objectName, terminator);
}

int TMDOExtract::WriteTablePrivileges(const std::string& objectName,
                                      const std::string& terminator) {
    TcCatalogueQuery query(*this, kTablePrivilegesQuery);
    query.SetParam("METAOBJECT", objectName);
    int written = 0;
    bool anyRow = false;
    std::string previousUser, previousColumn, columnClause, grantee, option;
    bool previousColumnNull = false;
    int previousOption = -1;  // none yet
    int bits = 0;
    auto writeGroup = [&] {
        Lines.push_back(Format("GRANT %s%s ON %s TO %s%s%s", PrivilegeNamesText(bits).c_str(),
                               columnClause.c_str(), Ident(objectName).c_str(), grantee.c_str(),
                               option.c_str(), terminator.c_str()));
        ++written;
        bits = 0;
        columnClause.clear();
        option.clear();
    };
    for (query.Open(); !query.Eof(); query.Next()) {
        const int opt = query.IsNull("RDB$GRANT_OPTION") ? 0 : query.AsInteger("RDB$GRANT_OPTION");
        const bool columnNull = query.IsNull("RDB$FIELD_NAME");
        const std::string column = columnNull ? "" : query.AsString("RDB$FIELD_NAME");
        const std::string user = query.Trimmed("RDB$USER");
        if (anyRow) {
            const bool newGroup = (!previousUser.empty() && previousUser != user) ||
                                  (written > 0 && columnNull != previousColumnNull) ||
                                  (!previousColumn.empty() && column != previousColumn) ||
                                  opt != previousOption;
            if (newGroup) writeGroup();
        }
        anyRow = true;
        previousUser = user;
        previousColumnNull = columnNull;
        previousColumn = column;
        grantee = GranteeText(Dialect(), user, query.AsInteger("RDB$USER_TYPE"));
        bits |= PrivilegeBit(query.AsString("RDB$PRIVILEGE"));
        columnClause = column.empty() ? "" : Format(" (%s)", Ident(column).c_str());
        if (opt != 0) option = " WITH GRANT OPTION";
        previousOption = opt;
    }
    if (anyRow) writeGroup();
    return written;
}

int TMDOExtract::WriteProcedurePrivileges(const std::string& objectName,
                                          const std::string& terminator) {
    TcCatalogueQuery query(*this, kProcedurePrivilegesQuery);
    query.SetParam("METAOBJECT", objectName);
    int written = 0;
    for (query.Open(); !query.Eof(); query.Next(), ++written)
        Lines.push_back(Format(
            "GRANT EXECUTE ON PROCEDURE %s TO %s%s%s", Ident(objectName).c_str(),
            GranteeText(Dialect(), query.Trimmed("RDB$USER"), query.AsInteger("RDB$USER_TYPE"))
                .c_str(),
            query.AsInteger("RDB$GRANT_OPTION") == 1 ? " WITH GRANT OPTION" : "",
            terminator.c_str()));
    return written;
}

int TMDOExtract::WriteNamedRoleGrants(const std::string& objectName,
                                      const std::string& terminator) {
    TcCatalogueQuery query(*this, kNamedRoleGrantsQuery);
    query.SetParam("METAOBJECT", objectName);
    int written = 0;
    for (query.Open(); !query.Eof(); query.Next(), ++written)
        Lines.push_back(
            Format("GRANT %s TO %s%s%s", Ident(query.AsString("RDB$RELATION_NAME")).c_str(),
                   GranteeText(Dialect(), query.Trimmed("RDB$USER"), kUserGrantee).c_str(),
                   AdminOption(query), terminator.c_str()));
    return written;
}
