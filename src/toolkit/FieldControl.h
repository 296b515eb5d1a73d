#pragma once
// The one small interface that every field control shares, so that the code
// applying tab descriptions and the field events treat edits, combo boxes,
// list boxes, buttons and labels alike: text, tag, colours (Windows values),
// enabled, visible and maximum length, plus the events of the control.

#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

class QKeyEvent;

namespace stanor::toolkit {

// The events of one control, as the form's handlers receive them. Keys are
// Windows virtual-key codes; a handler may set the key (or the typed
// character) to 0 to swallow it.
class FieldEvents : public QObject {
    Q_OBJECT
public:
    explicit FieldEvents(QWidget* control);

    QWidget* control() const { return control_; }
    // Also watch a child that receives the keys, focus or clicks (a line edit
    // inside a combo box, a memo's viewport).
    void watch(QObject* part);
    // Controls without a click of their own (edits) report a mouse release as a click.
    void setClickOnRelease(bool on) { clickOnRelease_ = on; }

    // The virtual-key code of a Qt key event (0 when it has none).
    static int virtualKey(const QKeyEvent* e);

signals:
    void changed();                 // text, selection or value changed
    void entered();                 // got the focus
    void exited();                  // lost the focus
    void clicked();
    void doubleClicked();
    void keyDown(int& key, Qt::KeyboardModifiers shift);
    void keyUp(int& key, Qt::KeyboardModifiers shift);
    // The typed character; a handler may change it (the control then
    // receives the changed one) or set it to null to discard it.
    void keyPress(QChar& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* control_;
    bool clickOnRelease_ = false;
    bool resending_ = false;  // a changed character on its way to the control
};

class FieldControl {
public:
    explicit FieldControl(QWidget* self);
    virtual ~FieldControl() = default;
    FieldControl(const FieldControl&) = delete;
    FieldControl& operator=(const FieldControl&) = delete;

    QWidget* widget() const { return self_; }
    FieldEvents* events() const { return events_; }

    virtual QString text() const = 0;
    // Shows a value; change events fire as for an edit by the user.
    virtual void setText(const QString& text) = 0;

    // (page - 1) * 10000 + row index once a tab description has claimed the control.
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; claimed_ = true; }
    // Whether a description row claimed the control. Kept apart from the tag
    // because the first row of page 1 has the tag 0.
    bool claimed() const { return claimed_; }

    qint32 backColor() const { return back_; }
    void setBackColor(qint32 winColor);
    qint32 fontColor() const { return font_; }
    void setFontColor(qint32 winColor);

    bool isEnabled() const { return self_->isEnabled(); }
    void setEnabled(bool on) { self_->setEnabled(on); }
    // The control's own visibility (not its sheet's).
    bool isShown() const { return !self_->isHidden(); }
    void setShown(bool on) { self_->setVisible(on); }

    // 0 = no limit.
    int maxLength() const { return maxLength_; }
    virtual void setMaxLength(int n) { maxLength_ = n < 0 ? 0 : n; }

    // What the user puts into the control other than by single keys (a
    // paste, a drop) goes through the same filter as typed keys; values set
    // by code are kept as given. Edits and memos apply it.
    using InputFilter = std::function<QString(const QString&)>;
    void setInputFilter(InputFilter filter) { inputFilter_ = std::move(filter); }
    const InputFilter& inputFilter() const { return inputFilter_; }

protected:
    // Palette roles that carry the background and the text of this kind.
    virtual QPalette::ColorRole backRole() const { return QPalette::Base; }
    virtual QPalette::ColorRole textRole() const { return QPalette::Text; }

private:
    void applyColors();
    QWidget* self_;
    FieldEvents* events_;
    int tag_ = 0;
    bool claimed_ = false;
    qint32 back_;
    qint32 font_;
    int maxLength_ = 0;
    InputFilter inputFilter_;
};

// Resolves the names that a control's Qt base and FieldControl both carry.
#define STANOR_FIELD_CONTROL                          \
public:                                               \
    using ::stanor::toolkit::FieldControl::maxLength; \
    using QWidget::isEnabled;                         \
    using QWidget::setEnabled;

// The field interface of a widget, or nullptr when it is no field control.
FieldControl* asFieldControl(QWidget* w);
FieldControl* asFieldControl(QObject* o);

}  // namespace stanor::toolkit
