#pragma once
// The store the tests run against, and fresh copies of the demo database in
// it: SQLite, or, when STANOR_TEST_PG names the state file of the server that
// scripts/pg-test-server started, PostgreSQL (CTest starts that server before
// the first test that needs it and stops it after the last).

#include "DataService.h"
#include "Store.h"

#include <memory>
#include <string>
#include <vector>

namespace stanor::dataservice::test {

// Whether the tests run against the PostgreSQL store.
bool OnPostgres();

// A fresh, empty temporary folder (removed by the caller).
std::string MakeTempDir();

// The SQLite demo database built once per test process from the repository's text files.
const std::string& TemplateDatabase();

// A fresh copy of the demo database in the store under test, removed with it.
class DemoCopy {
public:
    // `dir` receives the SQLite file.
    explicit DemoCopy(const std::string& dir);
    ~DemoCopy();
    DemoCopy(const DemoCopy&) = delete;
    DemoCopy& operator=(const DemoCopy&) = delete;

    // Points a service at the copy (on PostgreSQL, as the service's role).
    void configure(ServiceOptions& options) const;
    // The program's options that name the copy: --db FILE or --pg CONNINFO.
    std::vector<std::string> programArguments() const;
    // The copy with every right (on PostgreSQL, its owner's), for the checks of the tests.
    std::unique_ptr<Store> open(DatabaseOptions options = {}) const;

    const std::string& path() const { return path_; }          // SQLite
    const std::string& serviceConninfo() const { return service_; }  // PostgreSQL
    const std::string& ownerConninfo() const { return owner_; }
    const std::string& pgDatabase() const { return name_; }

private:
    std::string path_, name_, service_, owner_;
};

// An empty PostgreSQL database of the test server, owned by the owner role,
// dropped with it.
class EmptyPgDatabase {
public:
    EmptyPgDatabase();
    ~EmptyPgDatabase();
    const std::string& ownerConninfo() const { return owner_; }
    const std::string& serviceConninfo() const { return service_; }

private:
    std::string name_, owner_, service_;
};

// The write lock of a whole database, held by another connection until
// released, as another program holding a long transaction would.
class OtherWriter {
public:
    explicit OtherWriter(const DemoCopy& copy);
    ~OtherWriter();
    void release();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Ends every connection of the services' role to the copy's database, as a
// restart of the server would, and returns once they are gone.
void EndServiceConnections(const DemoCopy& copy);

// Every row of every table of the application and of the service, sorted,
// one line a table: to prove that a refused request changed nothing.
std::string Snapshot(Store& store);

}  // namespace stanor::dataservice::test
