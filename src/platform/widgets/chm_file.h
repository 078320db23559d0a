#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct chmFile;

// A compiled HTML help file, read through chmlib (only one HelpCheck found
// whole): its pages and images by path, and the default topic and title its
// compiler recorded.
class ChmFile
{
public:
    // A help page is small; an object claiming more than this is damage,
    // not a page.
    static constexpr quint64 largestObject = 64u * 1024 * 1024;

    ChmFile() = default;
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    // No value when the file opened; otherwise why not, in words for the user.
    std::optional<QString> open(const QString& fileName);

    // The bytes of one file inside, by its path from the root ("/index.html").
    std::optional<QByteArray> read(const QString& path) const;

    // The page shown first ("/index.html"), and the help's title.
    QString defaultTopic() const { return m_defaultTopic; }
    QString title() const { return m_title; }

private:
    void readSystemFile();

    chmFile* m_file = nullptr;
    QString m_defaultTopic;
    QString m_title;
};
