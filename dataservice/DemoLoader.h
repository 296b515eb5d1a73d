#pragma once
// Builds a database from the demo data kept as text in the repository:
// schema.sql, one tab-separated file per table under data/, and the tab
// descriptions (tabdesc_full.tsv when present, else tabdesc_minimal.tsv).
//
// Data files: "#" lines are comments; an optional "@table NAME" line names the
// table (default: the file name without ".tsv"); the first other line names the
// columns; each further line is one row, cells separated by one TAB; an empty
// cell is NULL; "\n" in a cell is a line break (CR LF); "@today", "@today-6",
// "@today+5" is a date counted in days from the day the database is made,
// so that the demo's follow-up reminders stay due (or to come) whatever the date.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace stanor::dataservice {

struct TsvTable {
    std::string table;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;  // same width as columns
};

// Parses one data file; throws std::runtime_error naming the file and line.
TsvTable ReadTsv(const std::string& path, const std::string& defaultTable);

// The seventeen elements of a tab-description row, in answer order.
const std::vector<std::string>& TabDescElements();

// Creates `dbPath` from the demo folder, its relative dates counted from
// `today`. The file is built under a temporary name and moved into place only
// when complete, so a failed or interrupted creation never leaves a
// half-filled database behind. Throws on failure.
void CreateDemoDatabase(const std::string& dbPath, const std::string& demoDir,
                        std::chrono::system_clock::time_point today = std::chrono::system_clock::now());

// The "yyyy-mm-dd" a relative date cell names ("@today-6"), local time;
// nothing for any other cell.
std::optional<std::string> RelativeDay(const std::string& cell, std::chrono::system_clock::time_point today);

// A tab-description file: the seventeen elements and "Concession" ("*" when
// empty or absent), every empty cell an empty text. Throws on a wrong header.
TsvTable ReadTabDescriptions(const std::string& path);

// Replaces the tab descriptions of an existing database by those of `tsvPath`.
void LoadTabDescriptions(const std::string& dbPath, const std::string& tsvPath);

// The tab-description file that CreateDemoDatabase uses for `demoDir`.
std::string TabDescFile(const std::string& demoDir);

}  // namespace stanor::dataservice
