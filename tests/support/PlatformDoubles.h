// Test doubles of the desktop services the windows use: save and open dialogs
// that answer from a queue, and message boxes and an "open" handler that only
// remember what they were given.
#pragma once

#include "desktop/Dialogs.h"
#include "desktop/DocumentOpener.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace quillmere::testing {

// A file dialog answering from a queue and keeping what it was asked.
template <class Dialog, class Request>
class FakeFileDialog final : public Dialog {
public:
    std::optional<QString> Ask(QWidget*, const Request& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }

    std::deque<QString> answers; // a null string: the user cancels
    std::vector<Request> requests;
};

using FakeSaveDialog = FakeFileDialog<SaveDialog, SaveRequest>;
using FakeOpenDialog = FakeFileDialog<OpenDialog, OpenRequest>;

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        QString kind; // "warning", "information"
    };
    void Warning(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({title, text, QStringLiteral("warning")});
    }
    void Information(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({title, text, QStringLiteral("information")});
    }

    std::vector<Shown> shown;
};

class FakeDocumentOpener final : public DocumentOpener {
public:
    bool Open(const QString& target) override
    {
        opened.push_back(target);
        return opens;
    }
    std::vector<QString> opened;
    bool opens = true; // false: as where no program opens links
};

} // namespace quillmere::testing
