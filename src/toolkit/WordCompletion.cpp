#include "toolkit/WordCompletion.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

namespace stanor::toolkit {

WordCompletion::WordCompletion(QObject* parent)
    : QObject(parent), model_(new QStringListModel(this)), completer_(new QCompleter(model_, this)) {
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionMode(QCompleter::InlineCompletion);
}

void WordCompletion::setWords(const QStringList& words) { model_->setStringList(words); }

QStringList WordCompletion::words() const { return model_->stringList(); }

void WordCompletion::attach(QComboBox* combo) {
    if (combo_ && combo_ != combo && combo_->lineEdit()) combo_->lineEdit()->setCompleter(nullptr);
    combo_ = combo;
    if (combo_ && combo_->lineEdit()) combo_->lineEdit()->setCompleter(enabled_ ? completer_ : nullptr);
}

void WordCompletion::setEnabled(bool on) {
    enabled_ = on;
    attach(combo_);
}

QString WordCompletion::complete(const QString& prefix) const {
    if (prefix.isEmpty()) return {};
    for (const QString& w : model_->stringList())
        if (w.startsWith(prefix, Qt::CaseInsensitive)) return w;
    return {};
}

}  // namespace stanor::toolkit
