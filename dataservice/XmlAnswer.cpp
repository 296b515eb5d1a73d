#include "XmlAnswer.h"

#include "TextCodec.h"

#include <cctype>

namespace stanor::dataservice {

XmlAnswer::XmlAnswer(std::string root) : root_(std::move(root)) { body_.reserve(4096); }

void XmlAnswer::open(const std::string& name) { body_ += "<" + name + ">"; }

void XmlAnswer::close(const std::string& name) { body_ += "</" + name + ">\r\n"; }

void XmlAnswer::element(const std::string& name, const std::string& text) {
    const std::string tag = ElementName(name);
    body_ += '<';
    body_ += tag;
    body_ += '>';
    body_ += Escape(text);
    body_ += "</";
    body_ += tag;
    body_ += '>';
}

void XmlAnswer::logItem(const std::string& text) { logItems_.push_back(text); }

std::string XmlAnswer::finish() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<" + root_ + ">\r\n";
    out += body_;
    if (!logItems_.empty()) {
        out += "<LogItems>";
        for (const std::string& item : logItems_) out += "<LogItem>" + Escape(item) + "</LogItem>";
        out += "</LogItems>\r\n";
    }
    out += "</" + root_.substr(0, root_.find(' ')) + ">\r\n";
    return Utf8ToAnsi(out);
}

std::string XmlAnswer::Failure(const std::string& root, const std::vector<std::string>& items) {
    XmlAnswer answer(root);
    for (const std::string& item : items) answer.logItem(item);
    return answer.finish();
}

std::string XmlAnswer::Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "&cr;";
                break;
            case '\n': out += "&cr;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string XmlAnswer::ElementName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name) out.push_back(std::isalnum(c) || c == '_' ? static_cast<char>(c) : '_');
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0]))) out.insert(out.begin(), '_');
    return out;
}

}  // namespace stanor::dataservice
