#pragma once

#include <QByteArray>
#include <QString>

// The copy of a presentation the engine saves beside its slides: an ODF
// package (content.xml, the media it embeds), or, for a drawing, the flat
// document alone.
class DeckPackage {
  public:
    explicit DeckPackage(const QString& path);
    ~DeckPackage();
    DeckPackage(const DeckPackage&) = delete;
    DeckPackage& operator=(const DeckPackage&) = delete;

    // Empty when it could be read.
    const QString& error() const { return error_; }
    // The document's content, flat.
    const QByteArray& content() const { return content_; }
    // Whether `name` is a file the package holds.
    bool holds(const QString& name) const;
    // Copies the held file `name` to `target`; empty, or why not.
    QString extract(const QString& name, const QString& target) const;

  private:
    QString error_;
    QByteArray content_;
    struct zip* zip_ = nullptr;
};
