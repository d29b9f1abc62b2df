#include "spin_edit.h"

#include "lumeno/core/whole_number.h"

#include <QLineEdit>

#include <algorithm>

namespace lumeno::ui {

TSpinEdit::TSpinEdit(int minValue, int maxValue, int value, QWidget* parent) : QSpinBox(parent) {
    setRange(minValue, maxValue);
    setValue(std::clamp(value, minValue, maxValue));
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TSpinEdit::Interpret(const QString& text) const {
    if (!specialValueText().isEmpty() && text.trimmed() == specialValueText()) return minimum();
    // "." or "," as decimal mark, the fraction cut off toward zero: 2.9 -> 2, -2.9 -> -2.
    const std::optional<int64_t> v = ParseTruncatedNumber(text.toStdString());
    if (!v) return NonNumber.value_or(minimum());
    // With a special value the lowest step is reached by its text only, never by a number.
    const int lowest = specialValueText().isEmpty() ? minimum() : minimum() + 1;
    return static_cast<int>(std::clamp<int64_t>(*v, lowest, maximum()));
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
