#pragma once
// The file pickers' list in French. Qt's file dialog names a folder "Folder"
// and a file "jpg File" (texts its French translation lacks) and writes sizes
// and dates in the machine's locale, English on most servers. This list sits
// between the dialog and its file model and writes those three columns as a
// French desktop does: "Dossier", "Fichier JPG", "1,2 Mo", "09/12/2026 17:10".

#include <QIdentityProxyModel>

class QFileDialog;

namespace stanor::platform {

class FileListInFrench final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// Puts the French list into a dialog not shown yet.
void ShowFilesInFrench(QFileDialog& dialog);

}  // namespace stanor::platform
