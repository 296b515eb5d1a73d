#pragma once
// The entry texts of a trace log, without their "dd/mm/yyyy hh:mm:ss - " prefix.
#include <QFile>
#include <QStringList>

inline QStringList traceEntries(const QString& logPath) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty()) out << QString::fromLatin1(line.mid(22)).chopped(1);
    return out;
}

inline const QStringList kSetterNames = {"httproot",       "basehref", "idtvo",       "ocxname",
                                         "ocxversion",     "urlimages", "iduser",     "userconcession",
                                         "usersite",       "whereclause", "orderclause", "idClient"};
