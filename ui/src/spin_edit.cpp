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
    // Digits with an optional sign and an optional fraction after "." or "," (German users
    // type a comma). The fraction is cut off: truncation toward zero, 2.9 -> 2, -2.9 -> -2.
    static const QRegularExpression number(QStringLiteral("^([+-]?)([0-9]*)(?:[.,]([0-9]*))?$"));
    const QRegularExpressionMatch m = number.match(text.trimmed());
    if (!m.hasMatch() || (m.capturedLength(2) == 0 && m.capturedLength(3) == 0))
        return NonNumber.value_or(minimum());
    const bool negative = m.captured(1) == QLatin1String("-");
    const QString whole = m.captured(2);
    bool ok = true;
    // Wider than int so that a long run of digits is still clamped, not wrapped; runs that
    // overflow even 64 bits are clamped by their sign.
    const qlonglong v = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if (!ok) return negative ? minimum() : maximum();
    return static_cast<int>(std::clamp<qlonglong>(negative ? -v : v, minimum(), maximum()));
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
