#include "platform/ui/settings_ini.h"

#include <QMap>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace ui {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView s) {
    qsizetype a = 0, b = s.size();
    while (a < b && IsBlank(s[a])) ++a;
    while (b > a && IsBlank(s[b - 1])) --b;
    return s.sliced(a, b - a);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of `digits` hex digits at s[at], or -1.
int HexAt(QByteArrayView s, qsizetype at, int digits) {
    if (s.size() - at < digits) return -1;
    int v = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(s[at + i]);
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

// UTF-8 by hand: Qt's converters would take a U+FEFF for a byte order mark and drop it.
void AppendCodePoint(QByteArray& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Key text: %XX and %UXXXX escapes; '\' separates groups as '/' does.
QString UnescapeKey(QByteArrayView raw) {
    QByteArray utf8;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '%') {
            if (i + 1 < raw.size() && raw[i + 1] == 'U') {
                if (int v = HexAt(raw, i + 2, 4); v >= 0) {
                    i += 5;
                    // A character beyond U+FFFF is written as two escapes, a surrogate pair.
                    const int low = raw.sliced(i + 1).startsWith("%U") ? HexAt(raw, i + 3, 4) : -1;
                    if (v >= 0xD800 && v <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                        v = 0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00);
                        i += 6;
                    }
                    AppendCodePoint(utf8, static_cast<char32_t>(v));
                    continue;
                }
            } else if (const int v = HexAt(raw, i + 1, 2); v >= 0) {
                AppendCodePoint(utf8, static_cast<char32_t>(v));
                i += 2;
                continue;
            }
        }
        utf8 += c == '\\' ? '/' : c;
    }
    return DecodeUtf8(utf8);
}

QByteArray EscapeKey(const QString& key) {
    QByteArray out;
    for (QChar ch : key) {
        const char16_t c = ch.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c < 0x100) {
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        } else {
            out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
        }
    }
    return out;
}

// One escape after a backslash at s[i - 1]; appends what it stands for and moves i past it.
void ReadEscape(QByteArrayView s, qsizetype& i, QByteArray& out) {
    if (i >= s.size()) return;
    const char c = s[i++];
    switch (c) {
        case 'a':
            out += '\a';
            return;
        case 'b':
            out += '\b';
            return;
        case 'f':
            out += '\f';
            return;
        case 'n':
            out += '\n';
            return;
        case 'r':
            out += '\r';
            return;
        case 't':
            out += '\t';
            return;
        case 'v':
            out += '\v';
            return;
        case 'x': {
            // As many hex digits as follow, as QSettings writes them (a digit right after
            // an escape is itself escaped).
            char32_t v = 0;
            bool any = false;
            while (i < s.size() && HexDigit(s[i]) >= 0) {
                v = std::min<char32_t>(v * 16 + static_cast<char32_t>(HexDigit(s[i])), 0x110000);
                any = true;
                ++i;
            }
            if (any) AppendCodePoint(out, v);
            return;
        }
        default:
            if (c >= '0' && c <= '7') {
                char32_t v = static_cast<char32_t>(c - '0');
                for (int k = 0; k < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k)
                    v = v * 8 + static_cast<char32_t>(s[i++] - '0');
                AppendCodePoint(out, v);
            } else {
                out += c;  // \" \' \\ \? and anything unknown: the character itself
            }
    }
}

// The items of a value: one for a string, several where unquoted commas make a list.
// Blanks outside quotes around an item do not count; ';' outside quotes ends the value.
QList<QByteArray> SplitValue(QByteArrayView v) {
    QList<QByteArray> items;
    QByteArray item;
    qsizetype kept = 0;  // length of the item without its trailing unquoted blanks
    bool quoted = false;
    qsizetype i = 0;
    while (i < v.size()) {
        const char c = v[i++];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\') {
                ReadEscape(v, i, item);
            } else {
                item += c;
            }
            kept = item.size();
            continue;
        }
        if (c == ';') break;
        if (c == ',') {
            item.truncate(kept);
            items += item;
            item.clear();
            kept = 0;
        } else if (c == '"') {
            quoted = true;
        } else if (IsBlank(c)) {
            if (!item.isEmpty()) item += c;
        } else {
            if (c == '\\')
                ReadEscape(v, i, item);
            else
                item += c;
            kept = item.size();
        }
    }
    item.truncate(kept);
    items += item;
    return items;
}

QVariant ParseValue(QByteArrayView text) {
    QStringList strings;
    for (const QByteArray& item : SplitValue(text)) {
        if (item.startsWith("@@"))
            strings += DecodeUtf8(item.sliced(1));
        else if (item.startsWith('@'))  // an encoded value: kept, never decoded
            return QVariant::fromValue(IniRawValue{text.toByteArray()});
        else
            strings += DecodeUtf8(item);
    }
    if (strings.size() == 1) return strings.front();
    return strings;
}

QByteArray QuoteString(const QString& s) {
    QByteArray utf8 = s.toUtf8();
    if (utf8.startsWith('@')) utf8.prepend('@');
    QByteArray out = "\"";
    bool afterHexEscape = false;
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || (afterHexEscape && HexDigit(c) >= 0)) {
            out += "\\x" + QByteArray::number(u, 16);
            afterHexEscape = true;
            continue;
        }
        afterHexEscape = false;
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// Empty when the value has no text form (it is then not written).
std::optional<QByteArray> FormatValue(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<IniRawValue>()) return v.value<IniRawValue>().text;
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return QByteArray::number(v.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return QByteArray::number(v.toULongLong());
        case QMetaType::Bool:
            return QByteArray(v.toBool() ? "true" : "false");
        case QMetaType::QStringList: {
            // As QSettings writes lists: one entry as a plain string, none as no value.
            const QStringList list = v.toStringList();
            if (list.isEmpty()) return QByteArray("@Invalid()");
            QByteArray out;
            for (const QString& item : list) {
                if (!out.isEmpty()) out += ", ";
                out += QuoteString(item);
            }
            return out;
        }
        default:
            if (!v.canConvert<QString>()) return std::nullopt;
            return QuoteString(v.toString());
    }
}

}  // namespace

QString DecodeUtf8(QByteArrayView utf8) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(utf8);
}

QSettings::SettingsMap ParseSettingsIni(const QByteArray& text) {
    QSettings::SettingsMap map;
    QString group;
    QByteArrayView rest(text);
    if (rest.startsWith("\xEF\xBB\xBF")) rest = rest.sliced(3);
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r') ++end;
        const QByteArrayView line = Trimmed(rest.first(end));
        rest = rest.sliced(end < rest.size() ? end + 1 : end);

        if (line.isEmpty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            qsizetype close = line.lastIndexOf(']');
            if (close < 0) close = line.size();
            const QByteArrayView name = Trimmed(line.sliced(1, close - 1));
            if (name == "General")
                group.clear();
            else if (name == "%General")  // how a group really named General is written
                group = QStringLiteral("General");
            else
                group = UnescapeKey(name);
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QString key = UnescapeKey(Trimmed(line.first(eq)));
        if (key.isEmpty()) continue;
        map.insert(group.isEmpty() ? key : group + '/' + key,
                   ParseValue(Trimmed(line.sliced(eq + 1))));
    }
    return map;
}

QByteArray FormatSettingsIni(const QSettings::SettingsMap& map) {
    // Section text by section name; top-level keys under "General", written first.
    QMap<QString, QByteArray> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const std::optional<QByteArray> value = FormatValue(it.value());
        if (!value) continue;
        const QString& key = it.key();
        const qsizetype slash = key.indexOf('/');
        // A '/' at either end stays in the key, so that the key reads back the same.
        const bool grouped = slash > 0 && slash < key.size() - 1;
        const QString section = grouped ? key.first(slash) : QString();
        const QString name = grouped ? key.sliced(slash + 1) : key;
        sections[section] += EscapeKey(name) + '=' + *value + '\n';
    }
    QByteArray out;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
        if (!out.isEmpty()) out += '\n';
        const QString& name = it.key();
        out += '[';
        out += name.isEmpty()       ? QByteArray("General")
               : name == u"General" ? QByteArray("%General")
                                    : EscapeKey(name);
        out += "]\n" + it.value();
    }
    return out;
}

}  // namespace ui
