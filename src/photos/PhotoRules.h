#pragma once
// The rules of a vehicle's photos, as plain functions: the name a photo takes,
// the statements that link it, make it the default and remove its link, what
// the record answer says about the photos already linked, and the texts of
// the dates shown beside them.

#include <QDateTime>
#include <QList>
#include <QString>

namespace stanor::photos {

// The mark of the vehicle's default photo in the third column of its list.
inline const QString kDefaultPhotoMark = QStringLiteral("***");

// "V" + the vehicle id left-padded with "0" to at least 7 characters + "-" +
// the photo number left-padded with "0" to at least 2 digits: vehicle 1234,
// photo 3 gives "V0001234-03"; longer ids and numbers are kept whole
// (12345678 and 12 give "V12345678-12").
QString PhotoName(const QString& idVO, int number);

// The link row sent with the photo's files (not a query string: the text
// travels as a form part). The name has its quotes doubled.
QString PhotoLinkInsert(const QString& idVO, int number, const QString& name, const QString& dateText);

// The vehicle's default photo; NULL when the name is empty. The name is
// written so that the query string of the request carries it unchanged.
QString DefaultPhotoStatement(const QString& idVO, const QString& name);

// Removes the link of one photo from the vehicle (the files stay on the server).
QString PhotoLinkDelete(const QString& idVO, const QString& name);
// "Veuillez confirmer la suppression du cliché V0001234-03".
QString PhotoLinkDeleteQuestion(const QString& name);

// The default once `deleted` is unlinked: the first of the names that is
// another photo, empty when none is left.
QString DefaultAfterDelete(const QStringList& names, const QString& deleted);

// Whether a photo just linked becomes the vehicle's default: it is the only
// photo in the list (the vehicle had none), or it carries number 1.
bool BecomesDefault(int photosInList, int number);

// What the record answer says about the vehicle's photos.
struct LinkedPhoto {
    QString name;  // "NomImage"
    QString date;  // "DateImage", as answered
    int number = 0;  // "NumImage"; 0 when it is not a whole number
};
struct LinkedPhotos {
    QString idVO;         // "idVO" of the record's own section
    QString defaultName;  // "NomImage" of the record's own section
    QList<LinkedPhoto> photos;
    int lastNumber = 0;   // the highest photo number, 0 when none
};
// Reads the record's own section (`recordElement`) and section "ImageS" of the
// answer. A section that is missing gives nothing (never another section's items).
LinkedPhotos ReadLinkedPhotos(const QString& answerText, const QString& recordElement);

// The photo the service linked: it hands out another number when the one
// asked for was taken meanwhile (another user's photo of the same vehicle).
struct UploadedPhoto {
    QString name;
    int number = 0;
};
// Reads "OutParams" of the upload's answer; what is missing keeps what was asked for.
UploadedPhoto ReadUploadedPhoto(const QString& answerText, const UploadedPhoto& asked);

// "yyyy-mm-dd hh:mm:ss": the date of a link row.
QString LinkDateText(const QDateTime& t);
// "dd/mm/yy hh:mm:ss": the date shown beside a photo of the folder, and
// beside a photo just linked.
QString ShownStamp(const QDateTime& t);
// The date of a link as the lists show every date: "dd/mm/yy hh:mm:ss", from
// the date answered ("dd/mm/yyyy hh:mm:ss") or stored ("yyyy-mm-dd
// hh:mm:ss"); a text that is neither shows as it stands.
QString ShownLinkDate(const QString& stored);

// A JPEG file of the source folder.
struct SourcePhoto {
    QString name;
    QDateTime modified;
};
// The JPEG files of a folder (names ending in ".jpg" or ".jpeg", any case;
// hidden ones too), in the order the folder gives them. Folders, whatever
// their name, are not listed; an empty, missing or unreadable folder gives none.
QList<SourcePhoto> JpegFilesIn(const QString& folder);

}  // namespace stanor::photos
