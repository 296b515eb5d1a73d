#include "ReportPdf.h"

#include "ReportSheets.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace stanor::dataservice {

namespace {

using sheets::VehicleKind;

enum class Layout { Sales, Showroom, Margin, Customer };

// The reports the client asks for, by their exact names.
struct ReportKind {
    const char* name;
    const char* key;  // the selection's column
    VehicleKind kind;
    Layout layout;
};

constexpr ReportKind kReports[] = {
    {"VO - Fiche Commerciale", "idVO", VehicleKind::VO, Layout::Sales},
    {"VD - Fiche Commerciale", "idVO", VehicleKind::VD, Layout::Sales},
    {"VD - Fiche Commerciale2", "idVO", VehicleKind::VD, Layout::Showroom},
    {"VN - Fiche Commerciale", "idVO", VehicleKind::VN, Layout::Sales},
    {"VO - Feuille de Marge", "idVO", VehicleKind::VO, Layout::Margin},
    {"Fiche Profid", "idClient", VehicleKind::VO, Layout::Customer},
};

constexpr size_t kMaxPhotoBytes = 8u << 20;

std::string Clip(const std::string& s) { return s.size() > 60 ? s.substr(0, 60) + "..." : s; }

bool IsDigits(const std::string& s) {
    if (s.empty() || s.size() > 18) return false;
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

Report Refused(std::string why) { return {false, std::move(why)}; }

// The default photo's file, when its name is a plain file name and the file
// is there; a missing or unreadable photo leaves the sheet without one.
std::string ReadPhoto(const std::string& imagesDir, const std::string& name) {
    if (imagesDir.empty() || name.empty() || name.size() > 100 || name[0] == '.' ||
        name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos)
        return {};
    std::string file = name;
    if (file.size() < 4 || (file.compare(file.size() - 4, 4, ".jpg") != 0 && file.compare(file.size() - 4, 4, ".JPG") != 0))
        file += ".jpg";
    const fs::path path = fs::path(imagesDir) / file;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxPhotoBytes || ec) return {};
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

Report BuildReport(Session& s, const std::string& select, const std::string& name, const std::string& today,
                   const std::string& imagesDir, const std::string& dealership, const ServiceLimits& limits) {
    const auto started = std::chrono::steady_clock::now();
    const auto ofDealership = [&](const ResultSet& record) {
        return !dealership.empty() && UpperWord(record.value(0, "Concession")) == UpperWord(dealership);
    };
    if (name.empty()) return Refused("Nom de fiche manquant : le paramètre rptName est attendu");
    const ReportKind* report = nullptr;
    for (const ReportKind& r : kReports)
        if (name == r.name) report = &r;
    if (!report) {
        std::string known;
        for (const ReportKind& r : kReports) known += (known.empty() ? "" : ", ") + std::string(r.name);
        return Refused("Fiche inconnue : \"" + Clip(name) + "\" (fiches disponibles : " + known + ")");
    }
    const size_t eq = select.find('=');
    const std::string key = select.substr(0, eq);
    const std::string id = eq == std::string::npos ? std::string() : select.substr(eq + 1);
    if (key != report->key || !IsDigits(id))
        return Refused("Sélection invalide pour la fiche \"" + name + "\" : \"" + Clip(select) + "\" (" + report->key +
                       "=N attendu)");

    const sheets::SheetContext ctx{name, select, today};
    sheets::Sheet sheet;
    if (report->layout == Layout::Customer) {
        sheets::CustomerData d;
        d.customer = s.query("SELECT * FROM tClients WHERE idClient = ?", {id});
        if (d.customer.rows.empty() || !ofDealership(d.customer)) return Refused("Le client " + id + " n'existe pas (ou plus)");
        d.actions = s.query("SELECT * FROM tActions WHERE idClient = ? ORDER BY DateAction DESC, idAction DESC", {id});
        d.vehicles = s.query("SELECT * FROM tVehiclesProfid WHERE idClient = ? ORDER BY idTVO", {id});
        const sheets::Lookups lists(s, d.customer.value(0, "Concession"));
        sheet = sheets::CustomerSheet(d, lists, ctx);
    } else {
        sheets::VehicleData d;
        d.vehicle = s.query("SELECT * FROM tVehicles WHERE idVO = ?", {id});
        if (d.vehicle.rows.empty() || !ofDealership(d.vehicle)) return Refused("Le véhicule " + id + " n'existe pas (ou plus)");
        const VehicleKind kind = sheets::KindOf(d.vehicle);
        if (kind != report->kind)
            return Refused("La fiche \"" + name + "\" ne s'applique pas au véhicule " + id + ", qui est un " +
                           sheets::KindCode(kind));
        if (report->layout == Layout::Margin)
            d.costs = s.query("SELECT * FROM \"tVO - Frevo\" WHERE idVO = ? ORDER BY DateFrevo, idFrevo", {id});
        d.photoJpeg = ReadPhoto(imagesDir, d.vehicle.value(0, "NomImage"));
        const sheets::Lookups lists(s, d.vehicle.value(0, "Concession"));
        switch (report->layout) {
            case Layout::Showroom: sheet = sheets::ShowroomSheet(d, lists, ctx); break;
            case Layout::Margin: sheet = sheets::MarginSheet(d, lists, ctx); break;
            default: sheet = sheets::SalesSheet(d, kind, lists, ctx); break;
        }
    }
    try {
        sheets::RenderLimits render;
        render.deadline = started + std::chrono::milliseconds(limits.reportMs);
        render.photoPixels = limits.photoPixels;
        return {true, sheets::RenderPdf(sheet, render)};
    } catch (const sheets::SheetTooLong&) {
        return {false,
                "La fiche \"" + name + "\" n'a pas pu être produite : elle demandait plus de " +
                    std::to_string(limits.reportMs) + " ms de dessin",
                true};
    } catch (const std::exception& e) {
        return Refused("La fiche \"" + name + "\" n'a pas pu être produite : " + e.what());
    }
}

}  // namespace stanor::dataservice
