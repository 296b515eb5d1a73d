#include "ReportPdf.h"

#include "TextCodec.h"

#include <cctype>
#include <cstdio>

namespace stanor::dataservice {

namespace {

std::string PdfText(const std::string& utf8) {
    std::string out;
    for (char c : Utf8ToLatin1(utf8)) {
        if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
        if (c == '\r') continue;
        out.push_back(c == '\n' ? ' ' : c);
    }
    return out;
}

bool IsDigits(const std::string& s) {
    if (s.empty() || s.size() > 18) return false;
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

// "Name : value" for every field that holds something.
void AddFields(std::vector<std::string>& lines, const ResultSet& r) {
    for (size_t c = 0; c < r.columns.size(); ++c)
        if (!r.rows[0][c].empty()) lines.push_back(r.columns[c] + " : " + r.rows[0][c]);
}

}  // namespace

std::string MakePdf(const std::string& title, const std::vector<std::string>& lines) {
    constexpr size_t kLinesPerPage = 52;
    std::vector<std::string> objects;  // bodies of objects 1..n
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("");  // page tree, filled in below
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
    std::string kids;
    const size_t pages = lines.empty() ? 1 : (lines.size() + kLinesPerPage - 1) / kLinesPerPage;
    for (size_t p = 0; p < pages; ++p) {
        std::string content = "BT /F2 16 Tf 50 790 Td (" + PdfText(title) + ") Tj ET\n";
        content += "BT /F1 10 Tf 50 765 Td 14 TL\n";
        for (size_t i = p * kLinesPerPage; i < lines.size() && i < (p + 1) * kLinesPerPage; ++i)
            content += "(" + PdfText(lines[i]) + ") Tj T*\n";
        content += "ET\n";
        char footer[96];
        std::snprintf(footer, sizeof footer, "BT /F1 8 Tf 50 30 Td (page %zu / %zu) Tj ET\n", p + 1, pages);
        content += footer;
        const size_t pageObj = objects.size() + 1, contentObj = objects.size() + 2;
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R "
                          "/F2 4 0 R >> >> /Contents " + std::to_string(contentObj) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
        kids += std::to_string(pageObj) + " 0 R ";
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", off);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

Report BuildReport(Session& s, const std::string& select, const std::string& name, const std::string& today) {
    Report report;
    const size_t eq = select.find('=');
    const std::string key = eq == std::string::npos ? select : select.substr(0, eq);
    const std::string id = eq == std::string::npos ? std::string() : select.substr(eq + 1);
    if ((key != "idVO" && key != "idClient") || !IsDigits(id)) {
        report.body = "Sélection de fiche invalide : \"" + select.substr(0, 60) + "\" (idVO=N ou idClient=N attendu)";
        return report;
    }
    std::vector<std::string> lines = {"Édition du " + today, ""};
    if (key == "idClient") {
        ResultSet customer = s.query("SELECT * FROM tClients WHERE idClient = ?", {id});
        if (customer.rows.empty()) {
            report.body = "Le client " + id + " n'existe pas (ou plus)";
            return report;
        }
        AddFields(lines, customer);
        ResultSet vehicles = s.query("SELECT Immatriculation, InfoMarque, InfoModele, InfoVersion FROM tVehiclesProfid "
                                     "WHERE idClient = ? ORDER BY idTVO", {id});
        if (!vehicles.rows.empty()) lines.insert(lines.end(), {"", "Véhicules :"});
        for (const auto& v : vehicles.rows) lines.push_back("  " + v[0] + "  " + v[1] + " " + v[2] + " " + v[3]);
    } else {
        ResultSet vehicle = s.query("SELECT * FROM tVehicles WHERE idVO = ?", {id});
        if (vehicle.rows.empty()) {
            report.body = "Le véhicule " + id + " n'existe pas (ou plus)";
            return report;
        }
        AddFields(lines, vehicle);
        ResultSet costs = s.query("SELECT DateFrevo, LibelleFrevo, TypeFrevo, MontantHT FROM \"tVO - Frevo\" "
                                  "WHERE idVO = ? ORDER BY DateFrevo, idFrevo", {id});
        if (!costs.rows.empty()) lines.insert(lines.end(), {"", "Frais de remise en état :"});
        double total = 0;
        for (const auto& c : costs.rows) {
            lines.push_back("  " + c[0] + "  " + c[1] + " (" + c[2] + ")  " + c[3]);
            total += std::atof(c[3].c_str());
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "Total des frais : %.2f", total);
        if (!costs.rows.empty()) lines.push_back(buf);
    }
    report.ok = true;
    report.body = MakePdf(name.empty() ? std::string("Fiche") : name, lines);
    return report;
}

}  // namespace stanor::dataservice
