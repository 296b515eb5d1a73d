#include "photos/PhotoRules.h"

#include "records/SqlLiterals.h"
#include "service/TXml.h"
#include "service/TextTools.h"

#include <QDir>
#include <QFileInfo>

namespace stanor::photos {

namespace {

// A name between quotes in a statement that travels in a query string.
QString queryName(const QString& name) { return records::DoubleQuotes(records::EscapeQueryText(name)); }

QString text(const service::TXml& xml, const QString& name) {
    QString v;
    service::XmlGet(xml, name, v);
    return service::DecodeXmlText(v);
}

}  // namespace

QString PhotoName(const QString& idVO, int number) {
    return u'V' + idVO.rightJustified(7, u'0') + u'-' + QString::number(number).rightJustified(2, u'0');
}

QString PhotoLinkInsert(const QString& idVO, int number, const QString& name, const QString& dateText) {
    return QStringLiteral("INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage)") +
           QStringLiteral(" VALUES (:NewID, ") + idVO + QStringLiteral(", ") + QString::number(number) +
           QStringLiteral(", '") + records::DoubleQuotes(name) + QStringLiteral("', '") + dateText +
           QStringLiteral("')");
}

QString DefaultPhotoStatement(const QString& idVO, const QString& name) {
    if (name.isEmpty()) return QStringLiteral("Update tVehicles set NomImage=NULL where idVO=") + idVO;
    return QStringLiteral("Update tVehicles set NomImage='") + queryName(name) + QStringLiteral("' where idVO=") +
           idVO;
}

QString PhotoLinkDelete(const QString& idVO, const QString& name) {
    return QStringLiteral("Delete * From [tVO - Liens Images] where idVO=") + idVO +
           QStringLiteral(" and NomImage='") + queryName(name) + u'\'';
}

QString DefaultAfterDelete(const QStringList& names, const QString& deleted) {
    for (const QString& n : names)
        if (n != deleted) return n;
    return {};
}

QString PhotoLinkDeleteQuestion(const QString& name) {
    return QStringLiteral("Veuillez confirmer la suppression du cliché ") + name;
}

bool BecomesDefault(int photosInList, int number) { return photosInList == 1 || number == 1; }

LinkedPhotos ReadLinkedPhotos(const QString& answerText, const QString& recordElement) {
    LinkedPhotos out;
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, recordElement);
    out.idVO = text(xml, QStringLiteral("idVO"));
    out.defaultName = text(xml, QStringLiteral("NomImage"));
    service::XmlFind(xml, QStringLiteral("ImageS"));
    while (service::XmlNext(xml, QStringLiteral("Image")) > 0) {
        LinkedPhoto p;
        p.name = text(xml, QStringLiteral("NomImage"));
        p.date = text(xml, QStringLiteral("DateImage"));
        bool ok = false;
        const int n = text(xml, QStringLiteral("NumImage")).trimmed().toInt(&ok);
        p.number = ok ? n : 0;
        out.lastNumber = std::max(out.lastNumber, p.number);
        out.photos.push_back(p);
    }
    return out;
}

UploadedPhoto ReadUploadedPhoto(const QString& answerText, const UploadedPhoto& asked) {
    UploadedPhoto out = asked;
    service::TXml xml;
    xml.Text = answerText;
    service::XmlFind(xml, QStringLiteral("OutParams"));
    const QString name = text(xml, QStringLiteral("NomImage"));
    bool ok = false;
    const int number = text(xml, QStringLiteral("NumImage")).trimmed().toInt(&ok);
    if (!name.isEmpty() && ok && number > 0) out = {name, number};
    return out;
}

QString LinkDateText(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

QString ShownStamp(const QDateTime& t) { return t.toString(QStringLiteral("dd/MM/yy hh:mm:ss")); }

QString ShownLinkDate(const QString& stored) {
    const QString t = stored.trimmed();
    for (const char* format : {"dd/MM/yyyy hh:mm:ss", "yyyy-MM-dd hh:mm:ss", "dd/MM/yyyy hh:mm", "dd/MM/yyyy"}) {
        const QDateTime d = QDateTime::fromString(t, QLatin1String(format));
        if (d.isValid()) return ShownStamp(d);
    }
    return t;
}

QList<SourcePhoto> JpegFilesIn(const QString& folder) {
    QList<SourcePhoto> out;
    if (folder.trimmed().isEmpty()) return out;  // no folder chosen yet: not the current one
    const QDir dir(folder);
    // Name filters without QDir::CaseSensitive match "IMG_0001.JPG" too.
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
                                                  QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo& f : files) out.push_back({f.fileName(), f.lastModified()});
    return out;
}

}  // namespace stanor::photos
