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

class KnobAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit KnobAccessible(TQvKnob* knob) : QAccessibleWidget(knob, QAccessible::Dial) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return NameOf(*Knob(), nullptr, Knob()->CenterText());
        if (t == QAccessible::Value) return Knob()->ShownValueText();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Knob()->Value(); }
    void setCurrentValue(const QVariant& value) override { Knob()->UserMoveTo(value.toInt()); }
    QVariant maximumValue() const override { return Knob()->Max(); }
    QVariant minimumValue() const override { return Knob()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

  private:
    TQvKnob* Knob() const { return static_cast<TQvKnob*>(widget()); }
};

class UpDownAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit UpDownAccessible(TUpDown* upDown) : QAccessibleWidget(upDown, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return NameOf(*UpDown(), UpDown()->Associate());
        if (t == QAccessible::Value) {
            const QWidget* field = UpDown()->Associate();
            if (const auto* edit = qobject_cast<const QLineEdit*>(field)) return edit->text();
            if (field != nullptr) return field->property("text").toString();
            return QString::number(UpDown()->Position());
        }
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return UpDown()->Position(); }
    void setCurrentValue(const QVariant& value) override { UpDown()->UserMoveTo(value.toInt()); }
    QVariant maximumValue() const override { return UpDown()->Max(); }
    QVariant minimumValue() const override { return UpDown()->Min(); }
    QVariant minimumStepSize() const override { return UpDown()->Increment(); }

  private:
    TUpDown* UpDown() const { return static_cast<TUpDown*>(widget()); }
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
