#include "pages/RecordViewForm.h"

#include "toolkit/FieldControl.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>

namespace stanor::pages {

QWidget* RecordViewForm::widget(const QString& name)
{
    auto it = cache_.constFind(name);
    if (it != cache_.constEnd() && !it->isNull())
        return it->data();
    QWidget* w = form_ ? form_->findChild<QWidget*>(name) : nullptr;
    if (w)
        cache_.insert(name, w);
    return w;
}

QTabWidget* RecordViewForm::tabs() { return get<QTabWidget>(QStringLiteral("Tabs")); }

QString RecordViewForm::caption(const QString& name)
{
    QWidget* w = widget(name);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* fc = toolkit::asFieldControl(w))
        return fc->text();
    return {};
}

void RecordViewForm::setCaption(const QString& name, const QString& text)
{
    QWidget* w = widget(name);
    if (auto* fc = toolkit::asFieldControl(w))
        fc->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
}

void RecordViewForm::setVisible(const QString& name, bool on)
{
    if (QWidget* w = widget(name))
        w->setVisible(on);
}

void RecordViewForm::setEnabled(const QString& name, bool on)
{
    if (QWidget* w = widget(name))
        w->setEnabled(on);
}

QString RecordViewForm::text(const QString& name)
{
    if (auto* fc = toolkit::asFieldControl(widget(name)))
        return fc->text();
    return caption(name);
}

}  // namespace stanor::pages
