#include "service/MultipartForm.h"

#include "service/TextTools.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkRequest>

namespace stanor::service {

namespace {

// A quoted parameter of a part header; quotes and line breaks cannot travel in it.
QByteArray Quoted(const QString& text)
{
    QByteArray bytes = ToAnsi(text);
    bytes.replace('"', '\'');
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return '"' + bytes + '"';
}

}  // namespace

MultipartForm::MultipartForm() : form_(std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType)) {}
MultipartForm::~MultipartForm() = default;
MultipartForm::MultipartForm(MultipartForm&&) noexcept = default;
MultipartForm& MultipartForm::operator=(MultipartForm&&) noexcept = default;

void MultipartForm::addText(const QString& name, const QString& value) { addTextBytes(name, ToAnsi(value)); }

void MultipartForm::addTextBytes(const QString& name, const QByteArray& value)
{
    if (!form_)
        form_ = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setRawHeader("Content-Disposition", "form-data; name=" + Quoted(name));
    part.setBody(value);
    form_->append(part);
}

void MultipartForm::addFileBytes(const QString& name, const QString& fileName, const QByteArray& bytes,
                                 const QByteArray& contentType)
{
    if (!form_)
        form_ = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setRawHeader("Content-Disposition",
                      "form-data; name=" + Quoted(name) + "; filename=" + Quoted(fileName));
    part.setRawHeader("Content-Type", contentType);
    part.setBody(bytes);
    form_->append(part);
}

bool MultipartForm::addFile(const QString& name, const QString& path, const QByteArray& contentType)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    addFileBytes(name, QFileInfo(path).fileName(), bytes, contentType);
    return true;
}

std::unique_ptr<QHttpMultiPart> MultipartForm::release()
{
    if (!form_)
        form_ = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    return std::move(form_);
}

}  // namespace stanor::service
