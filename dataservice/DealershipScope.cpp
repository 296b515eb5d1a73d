#include "DealershipScope.h"

#include "Store.h"

namespace stanor::dataservice {

namespace {

const char* const kViewPrefix = "stanor_scoped_";

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size()) text.replace(at, what.size(), with);
    return text;
}

}  // namespace

const std::vector<ScopedTable>& ScopedTables() {
    // The records of a dealership carry its code; their lines belong to them;
    // its sites, salespeople and new-vehicle versions are its own or everyone's.
    static const std::vector<ScopedTable> tables = {
        {"tVehicles", "@T.\"Concession\" = @D"},
        {"tClients", "@T.\"Concession\" = @D"},
        {"tVehiclesProfid", "@T.\"Concession\" = @D"},
        {"tVO - Frevo",
         "EXISTS (SELECT 1 FROM \"tVehicles\" v WHERE v.\"idVO\" = @T.\"idVO\" AND v.\"Concession\" = @D)"},
        {"tVO - Liens Images",
         "EXISTS (SELECT 1 FROM \"tVehicles\" v WHERE v.\"idVO\" = @T.\"idVO\" AND v.\"Concession\" = @D)"},
        {"tActions",
         "EXISTS (SELECT 1 FROM \"tClients\" c WHERE c.\"idClient\" = @T.\"idClient\" AND c.\"Concession\" = @D)"},
        {"tSites", "@T.\"Concession\" = @D"},
        {"tCommerciaux", "(@T.\"Concession\" = @D OR @T.\"Concession\" IS NULL)"},
        {"ListVersions", "(@T.\"VConcession\" = @D OR @T.\"VConcession\" IS NULL)"},
    };
    return tables;
}

bool IsScopedTable(const std::string& table) {
    const std::string lower = LowerAscii(table);
    for (const ScopedTable& t : ScopedTables())
        if (LowerAscii(t.table) == lower) return true;
    return false;
}

std::string ScopedViewName(const std::string& table) {
    for (const ScopedTable& t : ScopedTables())
        if (LowerAscii(t.table) == LowerAscii(table)) return kViewPrefix + std::string(t.table);
    return table;
}

bool IsScopedView(const std::string& name) {
    const std::string lower = LowerAscii(name), prefix = kViewPrefix;
    return lower.rfind(prefix, 0) == 0 && IsScopedTable(lower.substr(prefix.size()));
}

std::vector<std::string> SqliteScopeViews(const std::vector<std::string>& present) {
    std::vector<std::string> out;
    const std::string dealership = std::string("(SELECT ") + kActingDealershipFunction + "())";
    for (const ScopedTable& t : ScopedTables()) {
        bool found = false;
        for (const std::string& p : present) found = found || p == LowerAscii(t.table);
        if (!found) continue;
        out.push_back("CREATE TEMP VIEW IF NOT EXISTS " + QuoteIdentifier(ScopedViewName(t.table)) +
                      " AS SELECT * FROM main." + QuoteIdentifier(t.table) + " AS stanor_row WHERE " +
                      Replace(Replace(t.condition, "@T", "stanor_row"), "@D", dealership));
    }
    return out;
}

std::string ScopedSelectText(const TranslatedSql& statement) {
    std::string out;
    const std::vector<SqlToken>& t = statement.tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        const SqlToken& tok = t[i];
        if ((tok.kind == SqlTokenKind::Word || tok.kind == SqlTokenKind::Ident) && IsScopedTable(SqlTokenName(tok))) {
            out += QuoteIdentifier(ScopedViewName(SqlTokenName(tok)));
            continue;
        }
        // SQLite has no boolean literals, as TranslateSql writes them.
        const std::string w = tok.kind == SqlTokenKind::Word ? UpperWord(tok.text) : std::string();
        size_t next = i + 1;
        while (next < t.size() && t[next].kind == SqlTokenKind::Space) ++next;
        const bool call = next < t.size() && t[next].kind == SqlTokenKind::Punct && t[next].text[0] == '(';
        if ((w == "TRUE" || w == "FALSE") && !call) out += w == "TRUE" ? "1" : "0";
        else out += tok.text;
    }
    return out;
}

std::string PgScopePolicy(const ScopedTable& table) {
    const std::string name = QuoteIdentifier(table.table);
    const std::string dealership = "(SELECT stanor_acting_dealership())";
    return "ALTER TABLE " + name + " ENABLE ROW LEVEL SECURITY; CREATE POLICY stanor_dealership ON " + name +
           " USING (" + dealership + " = '*' OR " + Replace(Replace(table.condition, "@T", name), "@D", dealership) +
           ")";
}

const std::vector<std::string>& PgScopeFunctions() {
    static const std::vector<std::string> names = {"stanor_act_as(text)", "stanor_acting_dealership()"};
    return names;
}

std::string PgScopeSql(const std::string& role) {
    // The user a transaction acts for: one row per transaction, written once
    // by the service before the client's statement (a second call in the same
    // transaction fails on the key). Rows of transactions that ended are
    // cleared now and then; those of transactions still running are not
    // visible to others, so never cleared too early.
    std::string sql =
        "CREATE UNLOGGED TABLE \"sysActing\" (\"xid\" bigint PRIMARY KEY, \"idUser\" bigint);"
        "CREATE FUNCTION stanor_act_as(p_user text) RETURNS void LANGUAGE plpgsql VOLATILE SECURITY DEFINER"
        " SET search_path = pg_catalog, @SCHEMA@ AS $$ DECLARE x bigint := txid_current(); BEGIN"
        " IF random() < 0.001 THEN DELETE FROM \"sysActing\" WHERE ctid IN (SELECT ctid FROM \"sysActing\""
        " WHERE \"xid\" < x FOR UPDATE SKIP LOCKED); END IF;"
        " INSERT INTO \"sysActing\" (\"xid\", \"idUser\") VALUES (x,"
        " CASE WHEN p_user ~ '^[0-9]{1,18}$' THEN p_user::bigint END); END $$;"
        // '*' outside a client's transaction (the service's own queries), the
        // dealership of the user it acts for, NULL for a user not known.
        "CREATE FUNCTION stanor_acting_dealership() RETURNS text LANGUAGE sql STABLE SECURITY DEFINER"
        " SET search_path = pg_catalog, @SCHEMA@ AS $$ SELECT CASE WHEN a.\"xid\" IS NULL THEN '*'"
        " ELSE (SELECT u.\"UserConcession\"::text FROM \"tUsers\" u WHERE u.\"idUser\" = a.\"idUser\") END"
        " FROM (SELECT 1) AS one LEFT JOIN \"sysActing\" a ON a.\"xid\" = txid_current_if_assigned() $$;";
    for (const std::string& f : PgScopeFunctions())
        sql += "REVOKE ALL ON FUNCTION " + f + " FROM PUBLIC; GRANT EXECUTE ON FUNCTION " + f + " TO " + role + ";";
    return sql;
}

}  // namespace stanor::dataservice
