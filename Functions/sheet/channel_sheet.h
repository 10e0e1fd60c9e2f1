// The printable channel sheet: one A4 page in Russian with a title, the 16 channels as a table
// and the radio-wide settings, for the logbook or the workshop wall. Drawn for the print dialog's
// printer or into a PDF; needs a GUI application for the fonts, but no window and no display.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QPageLayout>
#include <QString>

#include "image/parameter_image.h"

class QPagedPaintDevice;

namespace belvan {

// A4 portrait with the sheet's margins, for the PDF and the printer alike.
QPageLayout SheetPageLayout();

// The sheet's content as HTML: the title ("1.ctrch" or "Радиостанция"), the date, the channels
// and the settings.
QString ChannelSheetHtml(const ParameterImage& image, const QString& title, const QDateTime& when);

// Draws the sheet on the device's first page, scaled down if it would not fit. False when the
// device cannot be painted on (a printer or file that does not open).
bool PaintChannelSheet(const ParameterImage& image, const QString& title, const QDateTime& when,
                       QPagedPaintDevice& device);

// The sheet as a one-page A4 PDF.
QByteArray ChannelSheetPdf(const ParameterImage& image, const QString& title,
                           const QDateTime& when);

}  // namespace belvan
