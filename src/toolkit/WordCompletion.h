#pragma once
// Word completion for combo boxes: one list of words, offered while typing in
// the combo box it is attached to. The owner decides when the words are
// rebuilt (typically only when another combo box is entered).

#include <QObject>
#include <QStringList>

class QComboBox;
class QCompleter;
class QStringListModel;

namespace stanor::toolkit {

class WordCompletion : public QObject {
    Q_OBJECT
public:
    explicit WordCompletion(QObject* parent = nullptr);

    void setWords(const QStringList& words);
    QStringList words() const;
    // Offers the words in combo (editable combos complete inline; list-only
    // ones select the first item that begins with the typed text).
    void attach(QComboBox* combo);
    QComboBox* attached() const { return combo_; }
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }

    // The first word beginning with prefix (any case), or "" when none.
    QString complete(const QString& prefix) const;

private:
    QStringListModel* model_;
    QCompleter* completer_;
    QComboBox* combo_ = nullptr;
    bool enabled_ = true;
};

}  // namespace stanor::toolkit
