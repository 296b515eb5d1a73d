#include "SqliteTextRules.h"

#include "TextFold.h"

#include <sqlite3.h>
#include <unicode/utf8.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace stanor::dataservice {

namespace {

// user_version of a file whose text indexes follow these rules.
constexpr int kTextRulesVersion = 1;

int CompareNoCase(void*, int aLength, const void* a, int bLength, const void* b) {
    return CompareWithoutCase(std::string_view(static_cast<const char*>(a), static_cast<size_t>(aLength)),
                              std::string_view(static_cast<const char*>(b), static_cast<size_t>(bLength)));
}

std::string_view Text(sqlite3_value* v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

bool IsOneCharacter(std::string_view s) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    int32_t i = 0;
    UChar32 c;
    if (s.empty()) return false;
    U8_NEXT(bytes, i, static_cast<int32_t>(s.size()), c);
    return c >= 0 && i == static_cast<int32_t>(s.size());
}

// like(pattern, text [, escape]): "text LIKE pattern [ESCAPE escape]".
void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;  // NULL, as SQLite's own LIKE answers
    const std::string_view pattern = Text(argv[0]);
    if (static_cast<int>(pattern.size()) > sqlite3_limit(sqlite3_context_db_handle(ctx),
                                                         SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(ctx, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    const auto* deadline = static_cast<const StatementDeadline*>(sqlite3_user_data(ctx));
    const std::string_view escape = argc == 3 ? Text(argv[2]) : std::string_view();
    if (argc == 3 && !IsOneCharacter(escape)) {
        sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
        return;
    }
    const auto match = LikeWithoutCase(pattern, Text(argv[1]), escape,
                                       deadline && deadline->armed ? &deadline->at : nullptr);
    if (!match) {
        sqlite3_result_error(ctx, "LIKE interrompu : il dépassait le temps d'exécution admis", -1);
        return;
    }
    sqlite3_result_int(ctx, *match ? 1 : 0);
}

void Check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK) throw std::runtime_error(std::string(what) + " : " + sqlite3_errmsg(db));
}

int UserVersion(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    Check(db, sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr), "version de la base illisible");
    const int version = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return version;
}

}  // namespace

void InstallTextRules(sqlite3* db, const StatementDeadline* deadline) {
    void* data = const_cast<StatementDeadline*>(deadline);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    Check(db, sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNoCase, nullptr),
          "comparaison des textes impossible à installer");
    Check(db, sqlite3_create_function_v2(db, "like", 2, flags, data, Like, nullptr, nullptr, nullptr),
          "LIKE impossible à installer");
    Check(db, sqlite3_create_function_v2(db, "like", 3, flags, data, Like, nullptr, nullptr, nullptr),
          "LIKE impossible à installer");
}

bool UpgradeTextIndexes(sqlite3* db) {
    if (UserVersion(db) >= kTextRulesVersion) return false;
    const std::string sql = "BEGIN IMMEDIATE; REINDEX NOCASE; PRAGMA user_version = " +
                            std::to_string(kTextRulesVersion) + "; COMMIT";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const std::string why = sqlite3_errmsg(db);
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw std::runtime_error("reconstruction des index des textes impossible : " + why);
    }
    return true;
}

void MarkTextIndexes(sqlite3* db) {
    Check(db, sqlite3_exec(db, ("PRAGMA user_version = " + std::to_string(kTextRulesVersion)).c_str(), nullptr,
                           nullptr, nullptr),
          "marque de version impossible");
}

}  // namespace stanor::dataservice
