#include <QFontMetricsF>
#include <QScreen>
#include <algorithm>

#include "nastroika.h"

namespace belvan {

namespace {
// The form was laid out for a font in which "Сохранить настройки" is about 100 pixels wide;
// positions and sizes grow with the font actually used, so no caption is clipped.
double ScaleOf(const QFont& font) {
    return std::clamp(
        QFontMetricsF(font).horizontalAdvance(QStringLiteral("Сохранить настройки")) / 100.0, 1.0,
        3.0);
}
// The smallest font the form shrinks to: about the 11-pixel character cell it was designed for.
constexpr int kMinimumPixelSize = 9;
}  // namespace

TForm1::Fit TForm1::FitFor(const QScreen* screen, int extraHeight, QFont font) {
    Fit fit{font, ScaleOf(font), true};
    if (!screen) return fit;
    const QSize room =
        screen->availableGeometry().size() - kFrameAllowance - QSize(0, std::max(0, extraHeight));
    auto fits = [&](double scale) {
        return qRound(kDesignSize.width() * scale) <= room.width() &&
               qRound(kDesignSize.height() * scale) <= room.height();
    };
    if (fits(fit.scale)) return fit;
    int pixels = QFontInfo(font).pixelSize();
    while (--pixels >= kMinimumPixelSize) {
        font.setPixelSize(pixels);
        fit = {font, ScaleOf(font), true};
        if (fits(fit.scale)) return fit;
    }
    fit.fits = false;
    return fit;
}

}  // namespace belvan
