// Channel lists as CSV in the generic format of CHIRP, the open-source radio programmer, which
// technicians use to share channel plans between radios of different makes.
//
// One row per channel that has a frequency, under CHIRP's header. What the radio holds and CHIRP
// has no column for (masking, an unusual detection or tone, a channel without a receive
// frequency, the 25 kHz step of an off-grid frequency) is written into Comment as short Russian
// phrases separated by "; ", which the import reads back, so the tool's own export comes back
// exactly. Any other comment text is left out with a warning that names it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/error.h"
#include "image/parameter_image.h"

namespace belvan {

// CHIRP's generic CSV header, exactly.
inline const QString kCsvHeader = QStringLiteral(
    "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
    "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE");

// A CSV file larger than this, or with more rows or columns, is not a channel list.
inline constexpr qsizetype kCsvMaxBytes = 4 * 1024 * 1024;
inline constexpr int kCsvMaxRows = 10000;
inline constexpr int kCsvMaxColumns = 1000;

// The Comment phrases the export writes and the import reads (case is ignored on import).
namespace CsvComment {
inline const QString Masking = QStringLiteral("маскирование");
inline const QString NoDetection = QStringLiteral("без обнаружения");
inline const QString CtcssDetection = QStringLiteral("обнаружение по CTSS");
inline const QString BothDetections = QStringLiteral("обнаружение по CTSS и по несущей");
inline const QString NoTone = QStringLiteral("без тона");
inline const QString TransmitOnly = QStringLiteral("только передача");
inline const QString Step25OffGrid = QStringLiteral("шаг 25 кГц");
// "тон 07 (85,4 Гц)", "тон 60 (нет в таблице)": a tone number the columns cannot carry.
inline const QString TonePrefix = QStringLiteral("тон ");
}  // namespace CsvComment

// The 16 channels of the image as CSV: the header, then one row for each channel that has a
// frequency, CRLF line ends, UTF-8 without a byte-order mark.
QByteArray ExportCsv(const ParameterImage& image);

// What of the image the CSV cannot bring back (a frequency outside the band), one line per
// channel in the operator's words; empty when the whole plan survives an import.
QStringList CsvExportLosses(const ParameterImage& image);

// One row the import refused or took with a change, in the operator's words; or, with line 0,
// something of the whole file (the encoding it was read in), told by the reason alone.
struct CsvRowNote {
    int line = 0;    // the line of the file the row starts on, 1 for the header; 0: the file
    QString column;  // the column's name as the header has it
    QString value;
    QString reason;
};

// "строка 5, Frequency = «180.000000»: частота вне диапазона …"; for line 0 the reason.
QString CsvRowNoteText(const CsvRowNote& note);

struct CsvImport {
    // Set (kind WrongFile) when the file as a whole cannot be imported; then only `refused` is
    // valid.
    std::optional<Error> error;
    ParameterImage image;              // the base's settings and the channels of the accepted rows
    std::vector<CsvRowNote> refused;   // rows left out
    std::vector<CsvRowNote> warnings;  // rows taken with a change the operator should know of
    int channels = 0;                  // channels taken from the file
    bool locationsOutside = false;     // a row was left out for a Location outside 1–16
};

// Which channel a row fills: the one its Location names, or, for a list numbered from 0 or
// longer than 16, the next one: the accepted rows become channels 1–16 in the order of the
// file, whatever their Location, and rows past the sixteenth are left out.
enum class CsvNumbering { ByLocation, InFileOrder };

// Reads a channel list. The 16 channels are replaced: a channel the accepted rows do not name
// is empty. The settings block and each channel's `reserved` byte come from `base`. Accepts
// columns in any order, missing optional columns, quoted fields, CRLF or LF (or a
// semicolon-separated file), frequencies with any number of decimals; UTF-8 with or without a
// byte-order mark, UTF-16 with one, and otherwise Windows-1251 with a warning first.
CsvImport ImportCsv(const QByteArray& data, const ParameterImage& base,
                    CsvNumbering numbering = CsvNumbering::ByLocation);

// Reads a CSV file whole; the reason when it cannot be read (kind File) or is too large
// (WrongFile).
Result<QByteArray> ReadCsvFile(const QString& path);

}  // namespace belvan
