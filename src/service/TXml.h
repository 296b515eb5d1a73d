#pragma once
// The forward-only tag scanner that reads every answer of the data service.
//
// It does not parse XML: it finds text between literal start and end tags.
// Its quirks are part of the contract with the answers and tab descriptions
// of a deployment:
//  - XmlFind matches the start tag by prefix ("<LogItem" also finds "<LogItems"),
//    attributes are allowed after the name, and the text before the first
//    child tag is skipped;
//  - XmlNext and XmlGet match exact tags without attributes;
//  - a missing element leaves Item, Rest and the output value unchanged.
//
// The scanner keeps positions into the open section instead of copying the
// remaining text for every item, so reading an answer is linear in its size.

#include <QString>

namespace stanor::service {

struct TXml {
    // The whole answer text; set (or appended to) by the caller.
    QString Text;
    // Content of the section opened by XmlFind, then of the item just read by
    // XmlNext; XmlGet reads from it.
    QString Item;
    // Set to 0 by XmlFind; not otherwise used.
    int Count = 0;

    // The part of the open section still to be scanned by XmlNext.
    QString Rest() const;

    // Empties the scanner (text, section and item).
    void Clear();

private:
    friend void XmlFind(TXml& xml, const QString& name);
    friend int XmlNext(TXml& xml, const QString& name);
    QString section_;    // the open section; Rest is section_ from restPos_
    qsizetype restPos_ = 0;
};

// Opens the section of element `name` (prefix match on the start tag).
void XmlFind(TXml& xml, const QString& name);

// Reads the next item `name` of the open section into Item. Returns the
// 1-based position of its start tag in the remaining text, 0 when none is left.
int XmlNext(TXml& xml, const QString& name);

// Reads the text of child element `name` of Item into `value`; leaves
// `value` as it was when the element is missing. Returns whether it was found.
bool XmlGet(const TXml& xml, const QString& name, QString& value);

}  // namespace stanor::service
