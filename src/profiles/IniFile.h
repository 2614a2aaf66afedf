#pragma once
// INI text files (the profile catalogue, the skin description).
//
// An IniFile is one batch of work on one file: the constructor reads the file, the reads answer
// from that reading, and every write goes to the disk before it returns. Nothing is kept between
// batches, so a new IniFile always sees the file as it is now.
//
// Section and key names compare without regard to ASCII letter case. Values come back without
// leading and trailing blanks and control characters. A missing or unreadable file reads as an
// empty one. When a key appears more than once, the first one counts.
//
// Writing changes only the line of the key (or adds it at the end of its section, or adds the
// section at the end of the file): every other line stays as it was, comments and unknown lines
// included. The file is replaced atomically; a write that cannot be done (a file marked
// read-only among them) throws IniWriteError with the text "Unable to write to <path>", and
// leaves the file unchanged.
//
// Texts are UTF-8 in the file.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>

class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const QString &path);
    const QString &Path() const { return path_; }

private:
    QString path_;
};

class IniFile {
public:
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile &) = delete;
    IniFile &operator=(const IniFile &) = delete;

    const QString &Path() const { return path_; }

    // The value, or def when the key is absent. An empty value ("Key=") is a value.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // The integer at the start of the value (optional sign, decimal digits; saturating), or def
    // when the key is absent or its value starts with no integer.
    int32_t ReadInteger(const QString &section, const QString &key, int32_t def) const;
    bool HasKey(const QString &section, const QString &key) const;

    // Creates the file, the section and the key as needed. Line breaks in the value become
    // blanks. Throws IniWriteError; std::invalid_argument for a section or key name that could
    // not be written as such (line breaks, "]" in a section, "=" in a key, an empty key).
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int32_t value);

private:
    void Parse();

    QString path_;
    QByteArray data_; // the file's bytes as last read or written
    struct Parsed;
    std::unique_ptr<Parsed> parsed_;
};
