#include "service/MultipartForm.h"

#include "service/TextTools.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkRequest>
#include <QVariant>

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

const char* const kPartsProperty = "stanorFormParts";

// Appends a part, and keeps its headers and bytes on the form, so that a copy
// can be made to send it again (the network library reads a form once).
void Append(QHttpMultiPart& form, const QByteArray& disposition, const QByteArray& contentType,
            const QByteArray& body)
{
    QHttpPart part;
    part.setRawHeader("Content-Disposition", disposition);
    if (!contentType.isEmpty())
        part.setRawHeader("Content-Type", contentType);
    part.setBody(body);
    form.append(part);
    QVariantList parts = form.property(kPartsProperty).toList();
    parts.append(QVariant(QVariantList{disposition, contentType, body}));
    form.setProperty(kPartsProperty, parts);
}

}  // namespace

std::unique_ptr<QHttpMultiPart> CopyForm(const QHttpMultiPart& form)
{
    const QVariant parts = form.property(kPartsProperty);
    if (!parts.isValid())
        return nullptr;
    auto copy = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    for (const QVariant& p : parts.toList()) {
        const QVariantList part = p.toList();
        Append(*copy, part.value(0).toByteArray(), part.value(1).toByteArray(), part.value(2).toByteArray());
    }
    return copy;
}

MultipartForm::MultipartForm() : form_(std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType)) {}
MultipartForm::~MultipartForm() = default;
MultipartForm::MultipartForm(MultipartForm&&) noexcept = default;
MultipartForm& MultipartForm::operator=(MultipartForm&&) noexcept = default;

void MultipartForm::addText(const QString& name, const QString& value) { addTextBytes(name, ToAnsi(value)); }

void MultipartForm::addTextBytes(const QString& name, const QByteArray& value)
{
    if (!form_)
        form_ = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    Append(*form_, "form-data; name=" + Quoted(name), {}, value);
}

void MultipartForm::addFileBytes(const QString& name, const QString& fileName, const QByteArray& bytes,
                                 const QByteArray& contentType)
{
    if (!form_)
        form_ = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    Append(*form_, "form-data; name=" + Quoted(name) + "; filename=" + Quoted(fileName), contentType, bytes);
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
