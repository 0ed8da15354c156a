// Dialog units: the template's coordinates, measured in the dialog font, turned into pixels.
#pragma once

#include <QFont>
#include <QRect>

namespace vesperine::qt {

// One horizontal unit is a quarter of the font's average character width, one vertical unit
// an eighth of its height, as dialog templates define them.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(double unitX, double unitY) : unitX_(unitX), unitY_(unitY) {}

    [[nodiscard]] int X(int units) const;
    [[nodiscard]] int Y(int units) const;
    [[nodiscard]] QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    [[nodiscard]] double unitX() const { return unitX_; }
    [[nodiscard]] double unitY() const { return unitY_; }

private:
    double unitX_;
    double unitY_;
};

// The template's font is a 12-point Japanese fixed-pitch face whose full-width glyphs take two
// half-width cells. IPAGothic is such a face; without it the system's fixed font stands in.
[[nodiscard]] QFont DialogFont();

// 12 points at 96 dots per inch: the size the template was laid out for.
inline constexpr int kDialogFontPixels = 16;

}  // namespace vesperine::qt
