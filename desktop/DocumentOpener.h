// Opening a document or web address with the desktop's handler, behind a small
// interface that tests replace.
#pragma once

#include <QString>

namespace quillmere {

class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Hands a file or web address to the desktop's "open" handler; the result
    // is of no interest to the caller.
    virtual void Open(const QString& target) = 0;
};

class QtDocumentOpener final : public DocumentOpener {
public:
    void Open(const QString& target) override;
};

} // namespace quillmere
