#include "spin_edit.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

namespace lumeno::ui {

TSpinEdit::TSpinEdit(int minValue, int maxValue, int value, QWidget* parent) : QSpinBox(parent) {
    setRange(minValue, maxValue);
    setValue(std::clamp(value, minValue, maxValue));
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TSpinEdit::Interpret(const QString& text) const {
    bool ok = false;
    const QString t = text.trimmed();
    // Wider than int so that a long run of digits is still clamped, not wrapped.
    const qlonglong v = t.toLongLong(&ok);
    if (!ok) {
        // Very long digit runs overflow even 64 bits: clamp by sign.
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        if (digits.match(t).hasMatch())
            return t.startsWith(QLatin1Char('-')) ? minimum() : maximum();
        return NonNumber.value_or(minimum());
    }
    return static_cast<int>(std::clamp<qlonglong>(v, minimum(), maximum()));
}

int TSpinEdit::Value() const {
    return Interpret(lineEdit()->text());
}

void TSpinEdit::SetValue(int v) {
    setValue(std::clamp(v, minimum(), maximum()));
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
    bool ok = false;
    const qlonglong v = input.trimmed().toLongLong(&ok);
    if (ok && v >= minimum() && v <= maximum()) return QValidator::Acceptable;
    return QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const {
    input = QString::number(Interpret(input));
}

int TSpinEdit::valueFromText(const QString& text) const {
    return Interpret(text);
}

} // namespace lumeno::ui
