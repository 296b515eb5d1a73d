#include "FileListInFrench.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QSplitter>
#include <QTreeView>

namespace stanor::platform {

namespace {
// The columns of the dialog's file model.
enum Column { Name = 0, Size = 1, Type = 2, Modified = 3 };
}  // namespace

QVariant FileListInFrench::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || !index.isValid() || index.column() == Name)
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    const QFileInfo info = files->fileInfo(source);
    const QLocale french(QLocale::French, QLocale::France);
    switch (index.column()) {
    case Size:
        return info.isDir() ? QString() : french.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat);
    case Type:
        if (info.isDir()) return QStringLiteral("Dossier");
        return info.suffix().isEmpty() ? QStringLiteral("Fichier") : QStringLiteral("Fichier ") + info.suffix().toUpper();
    case Modified: {
        const QDateTime when = files->lastModified(source);
        return when.isValid() ? french.toString(when, QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

void ShowFilesInFrench(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new FileListInFrench(&dialog));
    // Room for the French captions and a whole date: the dialog's own widths
    // cut "Dernière modification", the dates and "Ordinateur".
    dialog.resize(820, 480);
    if (auto* places = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) places->setSizes({150, 670});
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics = details->fontMetrics();
        QHeaderView* header = details->header();
        const int padding = 3 * metrics.averageCharWidth();
        header->resizeSection(Name, 300);
        header->resizeSection(Size, metrics.horizontalAdvance(QStringLiteral("1 023,9 Ko")) + padding);
        header->resizeSection(Type, metrics.horizontalAdvance(QStringLiteral("Fichier JPEG")) + padding);
        header->resizeSection(Modified, metrics.horizontalAdvance(QStringLiteral("Dernière modification")) + padding);
    }
}

}  // namespace stanor::platform
