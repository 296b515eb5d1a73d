#include "Accounts.h"

#include "Credentials.h"
#include "PgStore.h"
#include "Sessions.h"
#include "SqliteStore.h"

#include <filesystem>
#include <iostream>

#include <termios.h>
#include <unistd.h>

namespace stanor::dataservice {

namespace {

bool KnownUser(Session& s, const std::string& idUser) {
    if (idUser.empty() || idUser.size() > 18 || idUser.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return !s.credentials(idUser).rows.empty();
}

// Runs `change` in one transaction.
template <typename Change>
void InTransaction(Session& s, Change change) {
    s.exec("BEGIN");
    try {
        change();
        s.exec("COMMIT");
    } catch (...) {
        try {
            s.exec("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
}

// One line of `in`, without echo on a terminal.
bool ReadLine(std::istream& in, bool terminal, std::string& line) {
    termios saved{};
    const bool quiet = terminal && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    const bool read = static_cast<bool>(std::getline(in, line));
    if (quiet) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return read;
}

}  // namespace

bool SetPassword(Session& s, const std::string& idUser, const std::string& hash, const std::string& now) {
    if (!KnownUser(s, idUser)) return false;
    InTransaction(s, [&] {
        s.query("DELETE FROM sysUserPasswords WHERE idUser = ?", {idUser});
        s.query("INSERT INTO sysUserPasswords (idUser, PwHash, Disabled, Changed) VALUES (?, ?, FALSE, ?)",
                {idUser, hash, now});
        s.query("DELETE FROM sysSessions WHERE idUser = ?", {idUser});
    });
    return true;
}

bool DisableUser(Session& s, const std::string& idUser, const std::string& now) {
    if (!KnownUser(s, idUser)) return false;
    InTransaction(s, [&] {
        s.query("UPDATE sysUserPasswords SET Disabled = TRUE, Changed = ? WHERE idUser = ?", {now, idUser});
        s.query("INSERT INTO sysUserPasswords (idUser, PwHash, Disabled, Changed) SELECT idUser, NULL, TRUE, ?"
                " FROM tUsers WHERE idUser = ? AND idUser NOT IN (SELECT idUser FROM sysUserPasswords)",
                {now, idUser});
        s.query("DELETE FROM sysSessions WHERE idUser = ?", {idUser});
    });
    return true;
}

std::string ReadNewPassword(std::istream& in, bool terminal, std::ostream& prompts, const std::string& idUser,
                            std::string& why) {
    std::string first, second;
    if (terminal) prompts << "Nouveau mot de passe de l'utilisateur " << idUser << " : " << std::flush;
    const bool gotFirst = ReadLine(in, terminal, first);
    if (terminal) prompts << "\nLe même, une seconde fois : " << std::flush;
    const bool gotSecond = gotFirst && ReadLine(in, terminal, second);
    if (terminal) prompts << std::endl;
    if (!gotSecond) {
        why = "le mot de passe est attendu deux fois sur l'entrée standard (une ligne chaque fois)";
        return {};
    }
    if (first != second) {
        why = "les deux saisies du mot de passe diffèrent : rien n'est changé";
        return {};
    }
    why = RefusePassword(first);
    return why.empty() ? first : std::string();
}

int ChangeAccess(const std::string& dbPath, const std::string& pgConninfo, const std::string& setPassword,
                 const std::string& disable) {
    std::unique_ptr<Store> db;
    if (!pgConninfo.empty()) db = std::make_unique<PgStore>(pgConninfo);
    else if (!std::filesystem::exists(dbPath))
        throw std::runtime_error("base introuvable : " + dbPath);
    else db = std::make_unique<SqliteStore>(dbPath);
    const std::string who = setPassword.empty() ? disable : setPassword;
    std::string hash;
    if (!setPassword.empty()) {
        std::string why;
        const std::string password = ReadNewPassword(std::cin, isatty(STDIN_FILENO), std::cerr, who, why);
        if (password.empty()) {
            std::cerr << "stanor-dataservice : " << why << "\n";
            return 1;
        }
        hash = HashPassword(password);
    }
    const std::string now = UtcText(std::chrono::system_clock::now());
    bool known = false;
    try {
        auto s = db->acquire();
        known = setPassword.empty() ? DisableUser(*s, who, now) : SetPassword(*s, who, hash, now);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string(e.what()) +
                                 (pgConninfo.empty() ? "" : " (se connecter en propriétaire de la base)"));
    }
    if (!known) {
        std::cerr << "stanor-dataservice : utilisateur inconnu : " << who << "\n";
        return 1;
    }
    std::cerr << "stanor-dataservice : "
              << (setPassword.empty() ? "accès de l'utilisateur " + who + " terminé, sessions fermées"
                                      : "mot de passe de l'utilisateur " + who + " enregistré, ses sessions fermées")
              << std::endl;
    return 0;
}

}  // namespace stanor::dataservice
