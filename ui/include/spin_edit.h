// TSpinEdit: a whole-number field with arrow buttons and limits.
//
// Unlike a plain QSpinBox, any text may be typed. When the field is left (or
// Enter is pressed) a number with a fraction ("." or "," as decimal mark) is
// truncated toward zero, a number outside the limits is brought to the nearest
// limit and a text that is not a number becomes the lower limit. Value()
// applies the same rule to the text currently shown, so a value that was
// typed but not yet confirmed is read the way it will be fixed.
//
// With a special value text (QSpinBox::setSpecialValueText) the lower limit stands for that
// text: typing the text selects it, numbers stop one above it.
#pragma once

#include <QSpinBox>

#include <optional>

namespace lumeno::ui {

class TSpinEdit : public QSpinBox {
    Q_OBJECT
  public:
    TSpinEdit(int minValue, int maxValue, int value, QWidget* parent = nullptr);

    // The field's value read from its text: truncated toward zero, clamped, non-numbers give
    // the lower limit.
    int Value() const;
    // Sets the value, brought into the limits.
    void SetValue(int v);
    // What a text that is not a number reads as (default: the lower limit). Fields without
    // limits of their own read such text as 0.
    void SetNonNumberValue(int v) { NonNumber = v; }

  protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;

  private:
    int Interpret(const QString& text) const;
    std::optional<int> NonNumber;
};

} // namespace lumeno::ui
