#pragma once
// Builds the multipart form-data body of a POST (photo upload, text message)
// part by part, in the order the receiver expects.

#include <QByteArray>
#include <QString>
#include <memory>

class QHttpMultiPart;

namespace stanor::service {

class MultipartForm {
public:
    MultipartForm();
    ~MultipartForm();
    MultipartForm(MultipartForm&&) noexcept;
    MultipartForm& operator=(MultipartForm&&) noexcept;

    // A text part; the value travels in the system's code page
    // (Windows-1252), as every text of the service.
    void addText(const QString& name, const QString& value);
    // A text part whose value is sent as these bytes (a gateway that reads UTF-8).
    void addTextBytes(const QString& name, const QByteArray& value);
    // A file part named `fileName` with the given bytes.
    void addFileBytes(const QString& name, const QString& fileName, const QByteArray& bytes,
                      const QByteArray& contentType = "file");
    // A file part with the content of the file at `path` (its name without
    // the folder as file name). False, and nothing added, when it cannot be read.
    bool addFile(const QString& name, const QString& path, const QByteArray& contentType = "file");

    // The body, handed to HttpPost, which releases it; the builder is empty afterwards.
    std::unique_ptr<QHttpMultiPart> release();

private:
    std::unique_ptr<QHttpMultiPart> form_;
};

// A fresh copy of a form built by MultipartForm, to send it once more (the
// network library reads a form once); null for a form made otherwise.
std::unique_ptr<QHttpMultiPart> CopyForm(const QHttpMultiPart& form);

}  // namespace stanor::service
