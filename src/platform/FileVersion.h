#pragma once
// Version of an executable file. The build embeds in every program a record
// made of kFileVersionMarker followed by the version ("1.0.0.5") and a NUL,
// in its own ELF section ".stanor_version" (see src/app/FileVersionRecord.cpp.in);
// GetFileVersion finds that record in the file's bytes.

#include <QString>

#define STANOR_FILE_VERSION_MARKER "STANOR-FILE-VERSION="

namespace stanor::platform {

// The version the file carries, or "" when it carries none, is missing or
// cannot be read. The path may be written the Windows way (see localPath).
QString GetFileVersion(const QString& fileName);

}  // namespace stanor::platform
