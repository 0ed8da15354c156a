// Dialog units from the dialog font's own metrics, and the choice of that font.
#include "platform/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <cmath>

namespace vesperine::qt {

namespace {
// The average character width of dialog units is that of the Latin letters, not the font's
// declared average, which for a face with thousands of full-width glyphs is far wider.
constexpr const char* kAverageSample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr double kAverageSampleLength = 52.0;
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    unitX_ = metrics.horizontalAdvance(QString::fromLatin1(kAverageSample)) / kAverageSampleLength / 4.0;
    unitY_ = metrics.height() / 8.0;
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * unitX_)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * unitY_)); }

QFont DialogFont() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(kDialogFontPixels);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (QFontInfo(font).family() == QStringLiteral("IPAGothic")) return font;
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fallback.setPixelSize(kDialogFontPixels);
    return fallback;
}

}  // namespace vesperine::qt
