#include "controls/Accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLineEdit>

#include "controls/Knob.h"
#include "controls/UpDown.h"

namespace controls {

namespace {

QString NameOf(const QWidget& widget, const QWidget* other = nullptr,
               const QString& caption = {}) {
    if (!widget.accessibleName().isEmpty()) return widget.accessibleName();
    if (!widget.toolTip().isEmpty()) return widget.toolTip();
    if (other != nullptr && !other->toolTip().isEmpty()) return other->toolTip();
    return caption;
}

// A control we draw that a screen reader reads as a value: its range, and a value set from
// there counts as the user's move.
template <class W>
class ValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    ValueAccessible(W* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    void setCurrentValue(const QVariant& value) override { Control()->UserMoveTo(value.toInt()); }
    QVariant maximumValue() const override { return Control()->Max(); }
    QVariant minimumValue() const override { return Control()->Min(); }

  protected:
    W* Control() const { return static_cast<W*>(widget()); }
};

class KnobAccessible : public ValueAccessible<TQvKnob> {
  public:
    explicit KnobAccessible(TQvKnob* knob) : ValueAccessible(knob, QAccessible::Dial) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return NameOf(*Control(), nullptr, Control()->CenterText());
        if (t == QAccessible::Value) return Control()->ShownValueText();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Control()->Value(); }
    QVariant minimumStepSize() const override { return 1; }
};

class UpDownAccessible : public ValueAccessible<TUpDown> {
  public:
    explicit UpDownAccessible(TUpDown* upDown) : ValueAccessible(upDown, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return NameOf(*Control(), Control()->Associate());
        if (t == QAccessible::Value) {
            const QWidget* field = Control()->Associate();
            if (const auto* edit = qobject_cast<const QLineEdit*>(field)) return edit->text();
            if (field != nullptr) return field->property("text").toString();
            return QString::number(Control()->Position());
        }
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Control()->Position(); }
    QVariant minimumStepSize() const override { return Control()->Increment(); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String(TQvKnob::staticMetaObject.className()))
        if (auto* knob = qobject_cast<TQvKnob*>(object)) return new KnobAccessible(knob);
    if (className == QLatin1String(TUpDown::staticMetaObject.className()))
        if (auto* upDown = qobject_cast<TUpDown*>(object)) return new UpDownAccessible(upDown);
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void AnnounceValue(QWidget* control, int value) {
    // Only while a reader listens: asking earlier would make and keep an interface for a
    // control still being built.
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace controls
