// The file pickers' list reads in French whatever the machine's locale.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/FileListInFrench.h"

using stanor::platform::FileListInFrench;
using stanor::platform::ShowFilesInFrench;

TEST(FileListInFrench, FoldersFilesSizesAndDatesReadInFrench) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Photos 2026")));
    QFile photo(dir.filePath(QStringLiteral("V0001001-01.jpg")));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write(QByteArray(1536, 'x'));
    photo.flush();
    photo.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(17, 10, 30)), QFileDevice::FileModificationTime);
    photo.close();
    QFile(dir.filePath(QStringLiteral("LISEZMOI"))).open(QIODevice::WriteOnly);

    QFileDialog dialog(nullptr, QStringLiteral("Choisir"), dir.path());
    ShowFilesInFrench(dialog);
    auto* list = dynamic_cast<FileListInFrench*>(dialog.proxyModel());
    ASSERT_NE(list, nullptr);
    auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
    ASSERT_NE(files, nullptr);
    const QModelIndex folder = files->index(dir.path());
    if (files->rowCount(folder) < 3) {
        QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
        ASSERT_TRUE(loaded.wait(5000));
    }

    auto cell = [&](const QString& name, int column) {
        return list->mapFromSource(files->index(dir.filePath(name), column)).data().toString();
    };
    struct Case { const char* name; int column; QString shown; } cases[] = {
        {"Photos 2026", 2, QStringLiteral("Dossier")},
        {"Photos 2026", 1, QString()},
        {"V0001001-01.jpg", 2, QStringLiteral("Fichier JPG")},
        {"V0001001-01.jpg", 3, QStringLiteral("09/12/2026 17:10")},
        {"LISEZMOI", 2, QStringLiteral("Fichier")},
        {"V0001001-01.jpg", 0, QStringLiteral("V0001001-01.jpg")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cell(QString::fromUtf8(c.name), c.column).toStdString(), c.shown.toStdString()) << c.name << " column " << c.column;
    // Sizes with a decimal comma and French units, never "KiB" or "KB".
    const QString size = cell(QStringLiteral("V0001001-01.jpg"), 1);
    EXPECT_TRUE(size.startsWith(QStringLiteral("1,5"))) << size.toStdString();
    EXPECT_FALSE(size.contains(u'B')) << size.toStdString();
}
