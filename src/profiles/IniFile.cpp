#include "profiles/IniFile.h"

#include "common/NumberText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <vector>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

IniWriteError::IniWriteError(const QString &path)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString()),
      path_(path) {}

struct IniFile::Parsed {
    // Case-insensitive names, duplicate keys kept so that the first one can be taken.
    CSimpleIniA ini{true, true, false};
};

namespace {

// The layout of the file's lines as the reader sees them. The rules follow the reader's own:
// leading blanks and tabs are skipped; ";" or "#" starts a comment; "[" starts a section when
// the line holds a "]" (the name lies between them, blanks trimmed); any other line with a "="
// and a non-empty name before it is a key; everything else is ignored by the reader.
enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    qsizetype begin = 0;       // first byte of the line
    qsizetype content_end = 0; // first byte of its line break (or the end of the data)
    qsizetype end = 0;         // first byte of the next line
    LineKind kind = LineKind::Other;
    QByteArray name;           // section or key name
    qsizetype value_begin = 0; // key lines: first byte of the value
};

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t';
}

QByteArray TrimmedBlanks(QByteArray bytes) {
    qsizetype b = 0, e = bytes.size();
    while (b < e && IsBlankByte(bytes[b]))
        ++b;
    while (e > b && IsBlankByte(bytes[e - 1]))
        --e;
    return bytes.mid(b, e - b);
}

bool SameName(const QByteArray &a, const QByteArray &b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

constexpr char kUtf8Signature[] = "\xEF\xBB\xBF";

qsizetype SignatureLength(const QByteArray &data) {
    return data.startsWith(kUtf8Signature) ? 3 : 0;
}

void Classify(const QByteArray &data, Line &line, qsizetype start) {
    qsizetype p = start;
    while (p < line.content_end && IsBlankByte(data[p]))
        ++p;
    if (p == line.content_end) {
        line.kind = LineKind::Blank;
        return;
    }
    const char first = data[p];
    if (first == ';' || first == '#') {
        line.kind = LineKind::Comment;
        return;
    }
    if (first == '[') {
        const qsizetype close = data.indexOf(']', p + 1);
        if (close < 0 || close >= line.content_end) {
            line.kind = LineKind::Other;
            return;
        }
        line.kind = LineKind::Section;
        line.name = TrimmedBlanks(data.mid(p + 1, close - p - 1));
        return;
    }
    const qsizetype equals = data.indexOf('=', p);
    if (equals < 0 || equals >= line.content_end || equals == p) {
        line.kind = LineKind::Other;
        return;
    }
    line.kind = LineKind::Key;
    line.name = TrimmedBlanks(data.mid(p, equals - p));
    qsizetype v = equals + 1;
    while (v < line.content_end && IsBlankByte(data[v]))
        ++v;
    line.value_begin = v;
}

// The lines of the file's bytes. A NUL byte counts as a blank here and for the reader (the
// bytes themselves are left as they are).
std::vector<Line> SplitLines(QByteArray data) {
    data.replace('\0', ' ');
    std::vector<Line> lines;
    const qsizetype signature = SignatureLength(data);
    qsizetype pos = 0;
    while (pos < data.size()) {
        Line line;
        line.begin = pos;
        qsizetype e = pos;
        while (e < data.size() && data[e] != '\n' && data[e] != '\r')
            ++e;
        line.content_end = e;
        if (e < data.size())
            e += (data[e] == '\r' && e + 1 < data.size() && data[e + 1] == '\n') ? 2 : 1;
        line.end = e;
        Classify(data, line, lines.empty() ? std::max(pos, signature) : pos);
        lines.push_back(line);
        pos = e;
    }
    return lines;
}

QByteArray LineBreakOf(const QByteArray &data) {
    const qsizetype e = data.indexOf('\n');
    return e > 0 && data[e - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

void CheckNames(const QByteArray &section, const QByteArray &key) {
    auto has_any = [](const QByteArray &s, const char *chars) {
        for (const char *c = chars; *c; ++c)
            if (s.contains(*c))
                return true;
        return false;
    };
    auto padded = [](const QByteArray &s) {
        return !s.isEmpty() && (IsBlankByte(s.front()) || IsBlankByte(s.back()));
    };
    if (has_any(section, "]\r\n") || section.contains('\0') || padded(section))
        throw std::invalid_argument("INI section name cannot be written: " + section.toStdString());
    if (key.isEmpty() || has_any(key, "=\r\n") || key.contains('\0') || padded(key) ||
        key.front() == '[' || key.front() == ';' || key.front() == '#')
        throw std::invalid_argument("INI key name cannot be written: " + key.toStdString());
}

// The file's bytes with the key set to value; everything else unchanged.
QByteArray WithValue(const QByteArray &data, const QByteArray &section, const QByteArray &key,
                     const QByteArray &value) {
    const std::vector<Line> lines = SplitLines(data);
    const QByteArray line_break = LineBreakOf(data);
    const QByteArray entry = key + '=' + value;

    // Lines before the first section header belong to the section with the empty name.
    bool in_section = section.isEmpty();
    bool in_first_region = in_section;
    bool region_found = in_section;
    qsizetype insert_at = SignatureLength(data); // where a new key of the first region goes
    bool insert_needs_break = false;             // the line before insert_at has no line break
    for (const Line &line : lines) {
        if (line.kind == LineKind::Section) {
            in_section = SameName(line.name, section);
            in_first_region = in_section && !region_found;
            if (in_first_region) {
                region_found = true;
                insert_at = line.end;
                insert_needs_break = line.end == line.content_end;
            }
            continue;
        }
        if (line.kind != LineKind::Key || !in_section)
            continue;
        if (SameName(line.name, key))
            return data.left(line.value_begin) + value + data.mid(line.content_end);
        if (in_first_region) {
            insert_at = line.end;
            insert_needs_break = line.end == line.content_end;
        }
    }
    if (region_found) {
        const QByteArray added =
            insert_needs_break ? line_break + entry + line_break : entry + line_break;
        return data.left(insert_at) + added + data.mid(insert_at);
    }
    QByteArray result = data;
    if (!lines.empty()) {
        if (lines.back().end == lines.back().content_end)
            result += line_break;
        if (lines.back().kind != LineKind::Blank)
            result += line_break;
    }
    result += '[' + section + ']' + line_break + entry + line_break;
    return result;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)), parsed_(std::make_unique<Parsed>()) {
    QFile file(path_);
    if (QFileInfo(path_).isFile() && file.open(QIODevice::ReadOnly))
        data_ = file.readAll();
    Parse();
}

IniFile::~IniFile() = default;

void IniFile::Parse() {
    parsed_ = std::make_unique<Parsed>();
    if (data_.isEmpty())
        return;
    // The reader is given exactly the lines the writer recognises: lines that are neither
    // blank, comment, section nor key are blanked out (a lone "[" would otherwise make it look
    // for the section name on the next lines), and NUL bytes, which would end its reading
    // early, become blanks.
    QByteArray feed = data_;
    feed.replace('\0', ' ');
    for (const Line &line : SplitLines(feed))
        if (line.kind == LineKind::Other)
            std::fill(feed.begin() + line.begin, feed.begin() + line.content_end, ' ');
    parsed_->ini.LoadData(feed.constData(), static_cast<size_t>(feed.size()));
}

namespace {
// A value's text as written. QString::fromUtf8 drops a byte-order mark at the start of what it is
// given, so a value that begins with U+FEFF would read back without it.
QString ValueText(const char *value) {
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decode(QByteArrayView(value));
    return TrimBlanks(text);
}

const char *FirstValue(const CSimpleIniA &ini, const QByteArray &section, const QByteArray &key) {
    CSimpleIniA::TNamesDepend values;
    if (!ini.GetAllValues(section.constData(), key.constData(), values) || values.empty())
        return nullptr;
    const auto first =
        std::min_element(values.begin(), values.end(), CSimpleIniA::Entry::LoadOrder());
    return first->pItem;
}
} // namespace

QString IniFile::ReadString(const QString &section, const QString &key, const QString &def) const {
    const char *value = FirstValue(parsed_->ini, section.toUtf8(), key.toUtf8());
    if (value == nullptr)
        return def;
    return ValueText(value);
}

int32_t IniFile::ReadInteger(const QString &section, const QString &key, int32_t def) const {
    const char *value = FirstValue(parsed_->ini, section.toUtf8(), key.toUtf8());
    if (value == nullptr)
        return def;
    return ReadIntegerPrefix(ValueText(value)).value_or(def);
}

bool IniFile::HasKey(const QString &section, const QString &key) const {
    return FirstValue(parsed_->ini, section.toUtf8(), key.toUtf8()) != nullptr;
}

void IniFile::WriteString(const QString &section, const QString &key, const QString &value) {
    const QByteArray section_bytes = section.toUtf8();
    const QByteArray key_bytes = key.toUtf8();
    CheckNames(section_bytes, key_bytes);
    QByteArray value_bytes = value.toUtf8();
    std::replace(value_bytes.begin(), value_bytes.end(), '\r', ' ');
    std::replace(value_bytes.begin(), value_bytes.end(), '\n', ' ');
    std::replace(value_bytes.begin(), value_bytes.end(), '\0', ' ');

    // Start from the file as it is now, so that changes made since this batch began are kept.
    // A file that exists but cannot be read is never replaced, nor one marked read-only (also
    // when the program runs with rights that could override the mark).
    QByteArray current;
    const QFileInfo info(path_);
    if (info.exists() || info.isSymLink()) {
        QFile file(path_);
        if (!info.isFile() || !(info.permissions() & QFileDevice::WriteOwner) ||
            !file.open(QIODevice::ReadOnly))
            throw IniWriteError(path_);
        current = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw IniWriteError(path_);
    }
    const QByteArray updated = WithValue(current, section_bytes, key_bytes, value_bytes);

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly) || out.write(updated) != updated.size() || !out.commit())
        throw IniWriteError(path_);
    data_ = updated;
    Parse();
}

void IniFile::WriteInteger(const QString &section, const QString &key, int32_t value) {
    WriteString(section, key, QString::number(value));
}
