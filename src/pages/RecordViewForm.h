#pragma once
// Finds the form's controls by their designed names. The record view works on
// whatever form carries those names, so that it is tested on a small form too.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class QTabWidget;
class QLabel;

namespace stanor::pages {

class RecordViewForm {
public:
    explicit RecordViewForm(QWidget* form) : form_(form) {}

    QWidget* form() const { return form_; }

    // The first control of that name anywhere on the form, or nullptr.
    QWidget* widget(const QString& name);
    template <typename T>
    T* get(const QString& name) { return qobject_cast<T*>(widget(name)); }

    QTabWidget* tabs();
    // Caption of a label (or text of a field control), empty when missing.
    QString caption(const QString& name);
    void setCaption(const QString& name, const QString& text);
    void setVisible(const QString& name, bool on);
    void setEnabled(const QString& name, bool on);
    // Text of a field control (edit, combo, memo, date picker), empty when missing.
    QString text(const QString& name);

private:
    QWidget* form_;
    QHash<QString, QPointer<QWidget>> cache_;
};

}  // namespace stanor::pages
