#pragma once
// Writer of the service's XML answers.
//
// The client reads answers with a tag scanner that matches start tags by prefix
// and ignores attributes, entities and CDATA, so the writer keeps to plain
// elements: texts escape "&", "<", ">" as entities and line breaks as "&cr;",
// every field is written (an empty element for NULL, since a missing element
// would leave the client's previous value in place), and error items come last
// in one "LogItems" section. The body is declared ISO-8859-1, as the workstations
// have always read it, and written in their code page, Windows-1252, which
// holds "€", "œ", "’" and the like in the bytes ISO-8859-1 leaves unused.

#include <string>
#include <vector>

namespace stanor::dataservice {

class XmlAnswer {
public:
    explicit XmlAnswer(std::string root);

    void open(const std::string& name);
    void close(const std::string& name);
    // <name>text</name>, text given in UTF-8.
    void element(const std::string& name, const std::string& text);
    void logItem(const std::string& text);
    bool hasLogItems() const { return !logItems_.empty(); }

    // The finished answer, in Windows-1252.
    std::string finish() const;

    // A complete answer holding only error items.
    static std::string Failure(const std::string& root, const std::vector<std::string>& items);

    // Text with "&", "<", ">" escaped and CR LF, LF or CR written "&cr;".
    static std::string Escape(const std::string& text);
    // A column name made safe as an element name (other characters become "_").
    static std::string ElementName(const std::string& name);

private:
    std::string root_;
    std::string body_;
    std::vector<std::string> logItems_;
};

}  // namespace stanor::dataservice
