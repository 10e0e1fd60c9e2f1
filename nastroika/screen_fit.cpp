#include <QFontMetricsF>
#include <QScreen>
#include <algorithm>

#include "nastroika.h"

namespace belvan {

namespace {
// The form was laid out for a font in which "Сохранить настройки" is about 100 pixels wide;
// positions and sizes grow with the font actually used, so no caption is clipped.
// A font smaller than the design's shrinks the form with it, down to kSmallestScale.
constexpr double kSmallestScale = 0.8;
double ScaleOf(const QFont& font, double floor = 1.0) {
    return std::clamp(
        QFontMetricsF(font).horizontalAdvance(QStringLiteral("Сохранить настройки")) / 100.0, floor,
        3.0);
}
// The smallest font the form shrinks to on a small screen: still readable at a laptop's pitch.
constexpr int kMinimumPixelSize = 8;
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
        fit = {font, ScaleOf(font, kSmallestScale), true};
        if (fits(fit.scale)) return fit;
    }
    fit.fits = false;
    return fit;
}

}  // namespace belvan
