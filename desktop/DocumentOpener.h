// Opening a document or web address with the desktop's handler, behind a small
// interface that tests replace.
#pragma once

#include <QString>

namespace quillmere {

class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Hands a file or web address to the desktop's "open" handler; false
    // when there is none to take it (no xdg-open, no browser), so the caller
    // can say where the target is instead.
    virtual bool Open(const QString& target) = 0;
};

class QtDocumentOpener final : public DocumentOpener {
public:
    bool Open(const QString& target) override;
};

// What a window says when no program opened target: where it is, to open by hand.
QString NotOpenedText(const QString& target);

} // namespace quillmere
