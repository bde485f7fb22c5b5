#pragma once
// The settings file (Vorla.conf) in the INI syntax QSettings uses, read and written by our
// own code instead of Qt's INI reader and writer. Qt's reader decodes "@Variant(...)" values of any
// key with QDataStream, recursively: one damaged or hostile line nesting lists a few
// thousand deep overflows the stack at every start of the program. Here no value is ever
// decoded beyond text:
//   - "[General]" holds the top-level keys, "[Group]" the keys "Group/...";
//   - key=value, the key with %XX and %UXXXX escapes, the value unquoted or in double
//     quotes with the C escapes (\" \\ \n \t \xHH...), ';' outside quotes starting a
//     comment, as are lines that start with ';' or '#';
//   - a value of one string becomes a QString, one with unquoted commas a QStringList
//     ("@@" at the start of a string stands for "@"); a value with an encoded part
//     ("@Type(...)") is kept as its text, written back unchanged and never read as a
//     setting.
#include <QByteArray>
#include <QMetaType>
#include <QSettings>

namespace ui {

// A value kept as written: encoded by some other program, so never a setting of ours.
struct IniRawValue {
    QByteArray text;
    bool operator==(const IniRawValue&) const = default;
};

QSettings::SettingsMap ParseSettingsIni(const QByteArray& text);
// UTF-8 to text, keeping a U+FEFF at the start, which QString::fromUtf8 (and so
// fromStdString) drops as a byte order mark.
QString DecodeUtf8(QByteArrayView utf8);
QByteArray FormatSettingsIni(const QSettings::SettingsMap& map);

}  // namespace ui

Q_DECLARE_METATYPE(ui::IniRawValue)
