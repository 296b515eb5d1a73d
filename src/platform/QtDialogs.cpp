#include "QtDialogs.h"

#include "FileListInFrench.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace stanor::platform {

MsgResult QtDialogs::messageBox(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: return MsgResult::Ok;
    }
}

QString QtDialogs::pickFolder(const QString& caption, const QString& start) {
    // It chooses where to read from: folders only, and none made, renamed or
    // deleted from it (no new-folder button).
    QFileDialog dialog(parent_, caption, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    ShowFilesInFrench(dialog);
    if (auto* newFolder = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton"))) newFolder->hide();
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtDialogs::openFile(const QString& caption, const QString& start, const QString& filter) {
    QFileDialog dialog(parent_, caption, start, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    ShowFilesInFrench(dialog);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

std::optional<QString> QtDialogs::askPassword(const QString& caption, const QString& user, const QString& message) {
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("PasswordDialog"));
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    if (!message.isEmpty()) {
        auto* why = new QLabel(message, &dialog);
        why->setObjectName(QStringLiteral("LbPasswordMessage"));
        why->setWordWrap(true);
        why->setStyleSheet(QStringLiteral("color: #b00000"));
        layout->addWidget(why);
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Utilisateur :"), new QLabel(user, &dialog));
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("EdPassword"));
    password->setEchoMode(QLineEdit::Password);
    password->setMinimumWidth(260);
    form->addRow(QStringLiteral("Mot de passe :"), password);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Se connecter"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    password->setFocus();
    // The wait cursor of a loading form would hide that the dialog waits for the user.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    QApplication::restoreOverrideCursor();
    if (!accepted) return std::nullopt;
    QString typed = password->text();
    password->clear();
    return typed;
}

bool QtKeyboard::ctrlHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

}  // namespace stanor::platform
